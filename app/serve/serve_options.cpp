#include "app/serve/serve_options.h"

#include <array>
#include <string_view>

#include "link/usb_id.h"
#include "protocol/transfer_notify.h"

namespace vanto::serve {
namespace {

constexpr std::array<const char*, FUNC_COUNT> kFunctionNames = {
    "app-download",      "db-download", "userdata-upload",
    "userdata-download", "icon-upload", "icon-download"};

}  // namespace

const char* FunctionName(int index) {
    if (index < 0 || index >= FUNC_COUNT) {
        return "";
    }
    return kFunctionNames[static_cast<std::size_t>(index)];
}

const cli::CommandDescription& ServeCommand() {
    static const cli::CommandDescription desc{
        "serve",
        "",
        "Serves one function page without a window (message lines on stdout, boxes on stderr).",
        {
            {"--function", "F",
             "app-download, db-download, userdata-upload, userdata-download, icon-upload or "
             "icon-download"},
            {"--file", "PATH", "the page's file, chosen as with its browse button"},
            {"--mode", "user-data|one-device", "the mode of the two user data pages (user-data)"},
            {"--link", "usb|usb:VID:PID[,..]|tty:PATH",
             "the link to the remote (usb by default: the remote chosen in the window, unless "
             "--usb "
             "or usb:VID:PID names one)"},
            {"--usb", "VID:PID[,..]", "the remote's USB vendor:product ids, as lsusb shows them"},
            {"--once", "", "end after the first accepted exchange (status 0 when it ended well)"},
            {"--yes", "", "answer OK when the output file exists already"},
            {"--trace", "", "every frame in hex on stderr"},
        },
        0,
        0,
        nullptr,
        {"--function", "--file"},
    };
    return desc;
}

bool ParseServeOptions(const std::vector<std::string>& args, ServeOptions& options,
                       std::string& error) {
    cli::ParsedArgs parsedArgs;
    return cli::ParseCommandLine(ServeCommand(), args, parsedArgs, error) &&
           ServeOptionsFrom(parsedArgs, options, error);
}

bool ServeOptionsFrom(const cli::ParsedArgs& args, ServeOptions& options, std::string& error) {
    ServeOptions parsed;
    parsed.help = args.Has("--help");
    if (parsed.help) {
        options = parsed;
        return true;
    }
    parsed.once = args.Has("--once");
    parsed.yes = args.Has("--yes");
    parsed.trace = args.Has("--trace");
    const bool haveFile = args.Has("--file");
    parsed.file = args.Value("--file");
    const std::string linkText = args.Value("--link");
    if (args.Has("--function")) {
        const std::string value = args.Value("--function");
        for (int f = 0; f < FUNC_COUNT; ++f) {
            if (value == kFunctionNames[static_cast<std::size_t>(f)]) {
                parsed.function = f;
            }
        }
        if (parsed.function < 0) {
            error = "Unknown function '" + value +
                    "': use app-download, db-download, userdata-upload, userdata-download, "
                    "icon-upload or icon-download";
            return false;
        }
    }
    if (args.Has("--mode")) {
        const std::string value = args.Value("--mode");
        if (value == "user-data") {
            parsed.mode = 0;
        } else if (value == "one-device") {
            parsed.mode = 1;
        } else {
            error = "Unknown mode '" + value + "': use user-data or one-device";
            return false;
        }
    }
    if (parsed.function < 0) {
        error = "--function is missing";
        return false;
    }
    if (!haveFile || parsed.file.empty()) {
        error = "--file is missing";
        return false;
    }
    if (parsed.mode >= 0 && parsed.function != FUNC_USERDATA_UPLOAD &&
        parsed.function != FUNC_USERDATA_DOWNLOAD) {
        error = "--mode applies to userdata-upload and userdata-download only";
        return false;
    }
    if (!ParseLinkOption(linkText.empty() ? "usb" : linkText, parsed.link, error)) {
        return false;
    }
    // Without ids the remote chosen in the window's settings is used (ResolveChosenRemote).
    if (!AddUsbIdOptions(args.Values("--usb"), parsed.link, error)) {
        return false;
    }
    options = parsed;
    return true;
}

}  // namespace vanto::serve

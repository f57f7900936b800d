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

bool TakeValue(const std::vector<std::string>& args, std::size_t& i, std::string& value,
               std::string& error) {
    if (i + 1 >= args.size()) {
        error = args[i] + " needs a value";
        return false;
    }
    value = args[++i];
    return true;
}

}  // namespace

const char* FunctionName(int index) {
    if (index < 0 || index >= FUNC_COUNT) {
        return "";
    }
    return kFunctionNames[static_cast<std::size_t>(index)];
}

const char* ServeUsage() {
    return "Usage: vanto-remote-manager serve --function F --file PATH\n"
           "         [--mode user-data|one-device] [--link usb|usb:VID:PID[,..]|tty:PATH]\n"
           "         [--usb VID:PID[,..]] [--once] [--yes] [--trace]\n"
           "  F: app-download, db-download, userdata-upload, userdata-download, icon-upload,\n"
           "     icon-download\n"
           "  --mode    the mode of the two user data pages (user-data by default)\n"
           "  --link    the link to the remote (usb by default: the remote chosen in the\n"
           "            window, unless --usb or usb:VID:PID names one)\n"
           "  --usb     the remote's USB vendor:product ids, as lsusb shows them\n"
           "  --once    end after the first accepted exchange (status 0 when it ended well)\n"
           "  --yes     answer OK when the output file exists already\n"
           "  --trace   every frame in hex on stderr\n";
}

bool ParseServeOptions(const std::vector<std::string>& args, ServeOptions& options,
                       std::string& error) {
    ServeOptions parsed;
    std::string linkText;
    std::vector<UsbId> usbIds;
    bool haveFile = false;
    bool haveUsb = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string value;
        if (arg == "--help" || arg == "-h") {
            parsed.help = true;
        } else if (arg == "--once") {
            parsed.once = true;
        } else if (arg == "--yes") {
            parsed.yes = true;
        } else if (arg == "--trace") {
            parsed.trace = true;
        } else if (arg == "--function") {
            if (!TakeValue(args, i, value, error)) {
                return false;
            }
            parsed.function = -1;
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
        } else if (arg == "--file") {
            if (!TakeValue(args, i, parsed.file, error)) {
                return false;
            }
            haveFile = true;
        } else if (arg == "--mode") {
            if (!TakeValue(args, i, value, error)) {
                return false;
            }
            if (value == "user-data") {
                parsed.mode = 0;
            } else if (value == "one-device") {
                parsed.mode = 1;
            } else {
                error = "Unknown mode '" + value + "': use user-data or one-device";
                return false;
            }
        } else if (arg == "--link") {
            if (!TakeValue(args, i, linkText, error)) {
                return false;
            }
        } else if (arg == "--usb") {
            if (!TakeValue(args, i, value, error)) {
                return false;
            }
            std::vector<UsbId> ids;
            if (!ParseUsbIdList(value, ids, error)) {
                return false;
            }
            usbIds.insert(usbIds.end(), ids.begin(), ids.end());
            haveUsb = true;
        } else {
            error = "Unknown argument '" + arg + "'";
            return false;
        }
    }
    if (parsed.help) {
        options = parsed;
        return true;
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
    if (parsed.link.kind == LinkOption::Kind::kTty) {
        if (haveUsb) {
            error = "--usb goes with --link usb, not with a tty link";
            return false;
        }
    } else {
        // Without ids the remote chosen in the window's settings is used (ResolveChosenRemote).
        parsed.link.usbIds.insert(parsed.link.usbIds.end(), usbIds.begin(), usbIds.end());
    }
    options = parsed;
    return true;
}

}  // namespace vanto::serve

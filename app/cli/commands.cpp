#include "app/cli/commands.h"

#include <cstdarg>
#include <cstdio>
#include <ostream>

#include "app/core/product_title.h"
#include "app/serve/serve_options.h"
#include "app/serve/serve_session.h"

namespace vanto::cli {
namespace {

CommandDescription WithRun(CommandDescription desc,
                           std::function<int(const ParsedArgs&, CommandIo&)> run) {
    desc.run = std::move(run);
    return desc;
}

// The first one or two words of `args` that name a command, and how many words that took.
const CommandDescription* FindCommand(const std::vector<std::string>& args, std::size_t& words) {
    for (const CommandDescription& desc : Commands()) {
        const std::size_t space = desc.name.find(' ');
        if (space == std::string::npos) {
            if (!args.empty() && args[0] == desc.name) {
                words = 1;
                return &desc;
            }
        } else if (args.size() >= 2 && args[0] == desc.name.substr(0, space) &&
                   args[1] == desc.name.substr(space + 1)) {
            words = 2;
            return &desc;
        }
    }
    return nullptr;
}

// The first word of a two-word command ("icons").
bool IsCommandGroup(const std::string& word) {
    for (const CommandDescription& desc : Commands()) {
        const std::size_t space = desc.name.find(' ');
        if (space != std::string::npos && desc.name.compare(0, space, word) == 0 &&
            word.size() == space) {
            return true;
        }
    }
    return false;
}

}  // namespace

void Print(std::ostream& os, const char* format, ...) {
    char small[512];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (n >= 0 && static_cast<std::size_t>(n) < sizeof small) {
        os << small;
    } else if (n >= 0) {
        std::string big(static_cast<std::size_t>(n) + 1, '\0');
        std::vsnprintf(big.data(), big.size(), format, again);
        big.resize(static_cast<std::size_t>(n));
        os << big;
    }
    va_end(again);
}

const std::vector<CommandDescription>& Commands() {
    static const std::vector<CommandDescription> commands = {
        WithRun(serve::ServeCommand(), RunServeCommand),
        {"image",
         "IN.s19",
         "Converts an S-record file into a checked application image.",
         {{"-o", "OUT", "the image file to write"}},
         1,
         1,
         RunImage,
         {"-o"}},
        {"info",
         "FILE",
         "Shows a file's 576-byte header and which kind's check it passes, or why none.",
         {},
         1,
         1,
         RunInfo,
         {}},
        {"icons unpack",
         "FILE.vui DIR",
         "Writes the icons of a user icon file as device-NN.png, devsel-NN.png and key-NN.png.",
         {{"--force", "", "first remove the icon files a folder holds already"}},
         2,
         2,
         RunIconsUnpack,
         {}},
        {"icons pack",
         "DIR",
         "Builds a user icon file from such PNG files, by the icon editor's rules.",
         {{"-o", "FILE.vui", "the user icon file to write"},
          {"--from", "FILE.vui", "start from this file's header and icons"}},
         1,
         1,
         RunIconsPack,
         {"-o"}},
        {"devices",
         "",
         "Lists the attached USB devices that could be the remote, one per line: vendor:product "
         "id, bus and port path, state (ready, no permission, in use, not usable) and the "
         "device's own names. Choose one in the window, or give its id to --usb.",
         {},
         0,
         0,
         RunDevices,
         {}},
        {"--print-udev-rules",
         "VID:PID[,..]",
         "Prints a udev rule that gives the desktop user the remote.",
         {},
         1,
         1,
         RunPrintUdevRules,
         {}},
        {"--install-udev-rule",
         "VID:PID",
         "Installs that rule and has udev reload it (as root; the window's \"Allow access...\" "
         "runs it through pkexec).",
         {},
         1,
         1,
         RunInstallUdevRule,
         {}},
    };
    return commands;
}

std::string OverviewHelp() {
    std::string text = CommandHelp(WindowCommand());
    text += "\nCommands (each with --help for its options):\n";
    for (const CommandDescription& desc : Commands()) {
        text += "  " + CommandSynopsis(desc) + "\n      " + desc.summary + "\n";
    }
    text += "  --help\n      This text.\n  --version\n      The product name and version.\n";
    text += "\nExit status: 0 success, 1 refused input, 2 usage error.\n";
    return text;
}

std::optional<int> RunCommand(const std::vector<std::string>& args, CommandIo& io) {
    if (args.empty()) {
        return std::nullopt;
    }
    if (args[0] == "--help" || args[0] == "-h") {
        io.out << OverviewHelp();
        return kExitOk;
    }
    if (args[0] == "--version") {
        io.out << BuildProductTitle() << "\n";
        return kExitOk;
    }
    std::size_t words = 0;
    const CommandDescription* desc = FindCommand(args, words);
    if (desc == nullptr) {
        if (IsCommandGroup(args[0]) || (!args[0].empty() && args[0][0] != '-')) {
            io.err << "vanto-remote-manager: unknown command '" << args[0]
                   << (args.size() > 1 && IsCommandGroup(args[0]) ? " " + args[1] : "") << "'\n\n"
                   << OverviewHelp();
            return kExitUsage;
        }
        return std::nullopt;  // the window's options
    }
    ParsedArgs parsed;
    std::string error;
    const std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(words),
                                        args.end());
    if (!ParseCommandLine(*desc, rest, parsed, error)) {
        io.err << "vanto-remote-manager " << desc->name << ": " << error << "\n\n"
               << CommandHelp(*desc);
        return kExitUsage;
    }
    if (parsed.Has("--help")) {
        io.out << CommandHelp(*desc);
        return kExitOk;
    }
    return desc->run(parsed, io);
}

int RunServeCommand(const ParsedArgs& args, CommandIo& io) {
    serve::ServeOptions options;
    std::string error;
    if (!serve::ServeOptionsFrom(args, options, error)) {
        io.err << "vanto-remote-manager serve: " << error << "\n\n"
               << CommandHelp(serve::ServeCommand());
        return kExitUsage;
    }
    io.out.flush();
    io.err.flush();
    return serve::RunServe(options);
}

}  // namespace vanto::cli

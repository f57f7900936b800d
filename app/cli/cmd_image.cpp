// `image IN.s19 -o OUT`: convert an S-record file and write the checked application image.
#include <cstdio>
#include <span>

#include "app/cli/commands.h"
#include "formats/posix_file_system.h"
#include "formats/srecord.h"

namespace vanto::cli {

int RunImage(const Args& args) {
    std::string in;
    std::string out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size() && out.empty()) {
            out = args[++i];
        } else if (in.empty() && !args[i].empty() && args[i] != "-o") {
            in = args[i];
        } else {
            in.clear();
            break;
        }
    }
    if (in.empty() || out.empty()) {
        std::fprintf(stderr, "Usage: vanto-remote-manager image IN.s19 -o OUT\n");
        return kExitUsage;
    }
    const ApplicationLoad load = LoadApplicationImage(DefaultFileSystem(), in);
    if (!load.valid) {
        if (!load.conversionBox.empty())
            std::fprintf(stderr, "%s\n", load.conversionBox.c_str());
        std::fprintf(stderr, "%s\n", kInvalidApplicationText);
        return kExitRefused;
    }
    FileError error;
    if (!WriteWholeFile(DefaultFileSystem(), out, {std::span<const std::uint8_t>(load.image)},
                        &error)) {
        std::fprintf(stderr, "%s\n", error.Text().c_str());
        return kExitRefused;
    }
    std::printf("%s\n", kApplicationReadyText);
    std::printf("%zu bytes written to %s\n", load.image.size(), out.c_str());
    return kExitOk;
}

}  // namespace vanto::cli

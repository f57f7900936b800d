// `icons unpack FILE.vui DIR`: the icons of a user icon file as PNG files, exactly the stored
// bytes, named device-NN.png, devsel-NN.png and key-NN.png (NN from 01).
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <span>

#include "app/cli/commands.h"
#include "formats/posix_file_system.h"
#include "iconedit/icon_file.h"

namespace vanto::cli {
namespace {

void IconsUsage() {
    std::fprintf(stderr,
                 "Usage: vanto-remote-manager icons unpack FILE.vui DIR\n"
                 "       vanto-remote-manager icons pack DIR -o FILE.vui [--from FILE.vui]\n");
}

int Unpack(const std::string& file, const std::string& dir) {
    IconFile icons;
    if (auto refused = icons.ReadIconFile(DefaultFileSystem(), file)) {
        std::fprintf(stderr, "%s: %s\n", refused->caption.c_str(), refused->text.c_str());
        return kExitRefused;
    }
    if (::mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "%s: %s\n", dir.c_str(), std::strerror(errno));
        return kExitRefused;
    }
    int written = 0;
    for (IconKind kind : {ICON_DEVICE, ICON_DEVSEL, ICON_KEY}) {
        for (int i = 0; i < IconSlotCount(kind); ++i) {
            if (!icons.HasIcon(kind, i))
                continue;
            char name[32];
            std::snprintf(name, sizeof name, "/%s-%02d.png", IconKindFilePrefix(kind), i + 1);
            const std::string path = dir + name;
            FileError error;
            if (!WriteWholeFile(DefaultFileSystem(), path, {icons.IconBytes(kind, i)}, &error)) {
                std::fprintf(stderr, "%s\n", error.Text().c_str());
                return kExitRefused;
            }
            std::printf("%s\n", path.c_str());
            ++written;
        }
    }
    std::printf("%d icons written\n", written);
    return kExitOk;
}

}  // namespace

int RunIcons(const Args& args) {
    if (args.size() == 3 && args[0] == "unpack")
        return Unpack(args[1], args[2]);
    if (!args.empty() && args[0] == "pack")
        return RunIconsPack(Args(args.begin() + 1, args.end()));
    IconsUsage();
    return kExitUsage;
}

}  // namespace vanto::cli

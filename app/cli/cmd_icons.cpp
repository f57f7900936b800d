// `icons unpack FILE.vui DIR [--force]`: the icons of a user icon file as PNG files, exactly the
// stored bytes, named device-NN.png, devsel-NN.png and key-NN.png (NN from 01).
// `icons pack DIR -o FILE.vui [--from FILE.vui]`: the editor's rules over a folder of such files,
// with QImage decoding and encoding the pictures.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <ostream>

#include "app/cli/commands.h"
#include "app/iconedit/qimage_codec.h"
#include "formats/temp_files.h"
#include "iconedit/icon_edit_pack.h"
#include "iconedit/icon_file.h"

namespace vanto::cli {
namespace {

constexpr IconKind kKinds[] = {ICON_DEVICE, ICON_DEVSEL, ICON_KEY};

}  // namespace

int RunIconsUnpack(const ParsedArgs& args, CommandIo& io) {
    const std::string& file = args.Operands()[0];
    const std::string& dir = args.Operands()[1];
    IconFile icons;
    if (auto refused = icons.ReadIconFile(io.fs, file)) {
        io.err << refused->caption << ": " << refused->text << "\n";
        return kExitRefused;
    }
    if (::mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
        io.err << dir << ": " << std::strerror(errno) << "\n";
        return kExitRefused;
    }
    // Icon files already there would mix with this set's (and a later pack would take both).
    std::vector<std::string> present;
    for (IconKind kind : kKinds) {
        for (int i = 0; i < IconSlotCount(kind); ++i) {
            const std::string path = dir + "/" + iconedit::IconFileNameOf(kind, i);
            if (io.fs.Exists(path)) {
                present.push_back(path);
            }
        }
    }
    if (!present.empty() && !args.Has("--force")) {
        io.err << dir << ": already holds icon files (" << present.size() << ", the first "
               << present.front() << "); --force removes them first\n";
        return kExitRefused;
    }
    RemoveTempFilesOnSignals();
    for (const std::string& path : present) {
        FileError error;
        if (!io.fs.Remove(path, &error)) {
            io.err << error.Text() << "\n";
            return kExitRefused;
        }
    }
    int written = 0;
    for (IconKind kind : kKinds) {
        for (int i = 0; i < IconSlotCount(kind); ++i) {
            if (!icons.HasIcon(kind, i)) {
                continue;
            }
            const std::string path = dir + "/" + iconedit::IconFileNameOf(kind, i);
            FileError error;
            if (!WriteWholeFile(io.fs, path, {icons.IconBytes(kind, i)}, &error)) {
                io.err << error.Text() << "\n";
                return kExitRefused;
            }
            io.out << path << "\n";
            ++written;
        }
    }
    io.out << written << " icons written\n";
    return kExitOk;
}

int RunIconsPack(const ParsedArgs& args, CommandIo& io) {
    RemoveTempFilesOnSignals();
    const gui::QImageCodec codec;
    SystemRandomSource random;
    const iconedit::PackRequest request{args.Operands()[0], args.Value("-o"), args.Value("--from")};
    return iconedit::PackIcons(request, codec, random, io.fs, io.out, io.err);
}

}  // namespace vanto::cli

#pragma once
// `icons pack DIR -o FILE.vui [--from FILE.vui]`: builds a user icon file from a folder of PNG
// files named device-NN.png, devsel-NN.png and key-NN.png (NN from 01), by the editor's own rules:
// each file goes through the checks of the editor's "Open", a device icon without its own
// devsel-NN.png gets the selection icon made from it, and the set is paired, checked and written
// as the editor's OK writes it. With --from the set starts from that file's header and icons.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "iconedit/icon_file.h"
#include "iconedit/image_codec.h"

namespace vanto::iconedit {

// The slot an icon file name stands for ("device-03.png" -> ICON_DEVICE, 2). Nothing for names
// that are not icon names or whose number is outside the kind's slots.
struct IconFileName {
    IconKind kind = ICON_DEVICE;
    int index = 0;
};
std::optional<IconFileName> ParseIconFileName(const std::string& name);
// "device-03.png" for ICON_DEVICE, 2.
std::string IconFileNameOf(IconKind kind, int index);

struct PackRequest {
    std::string dir;     // the folder of PNG files
    std::string output;  // the user icon file to write
    std::string from;    // a user icon file to start from; empty for an empty set
};

// Packs as `request` says. Files are read and written through `files`. Messages go to `out`
// (what was written) and `err` (refusals, as "NAME: caption" followed by the text). Returns 0
// when the file was written, 1 when anything was refused.
int PackIcons(const PackRequest& request, const ImageCodec& codec, RandomSource& random,
              FileSystem& files, std::ostream& out, std::ostream& err);

}  // namespace vanto::iconedit

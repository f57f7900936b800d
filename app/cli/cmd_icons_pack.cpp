// `icons pack DIR -o FILE.vui [--from FILE.vui]`: the editor's rules over a
// folder of PNG files, with QImage decoding and encoding the pictures.
#include <iostream>

#include "app/cli/commands.h"
#include "app/iconedit/qimage_codec.h"
#include "formats/posix_file_system.h"
#include "iconedit/icon_edit_pack.h"
#include "iconedit/icon_file.h"

namespace vanto::cli {

int RunIconsPack(const std::vector<std::string>& args) {
    const gui::QImageCodec codec;
    SystemRandomSource random;
    return iconedit::RunIconsPackWith(args, codec, random, DefaultFileSystem(), std::cout,
                                      std::cerr);
}

}  // namespace vanto::cli

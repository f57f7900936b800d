// Header checks over files of any length and content.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/image_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact-size copy, so a read past the end is caught.
    const std::vector<std::uint8_t> file(data, data + size);
    for (auto kind :
         {vanto::ImageKind::Application, vanto::ImageKind::Database, vanto::ImageKind::UserData,
          vanto::ImageKind::OneDevice, vanto::ImageKind::UserIcon}) {
        const auto check = vanto::CheckImageHeader(kind, file.data(), file.size());
        if (check == vanto::HeaderCheck::Ok && file.size() < vanto::kImageHeaderSize) {
            __builtin_trap();
        }
        (void)vanto::HeaderCheckReason(kind, check);
    }
    (void)vanto::CheckIconEditorHeader(file.data(), file.size());
    const auto header = vanto::ImageHeader::FromBytes(file.data(), file.size());
    (void)header.KindNumber();
    (void)header.IsCompleted();
    return 0;
}

// User icon files from outside. Inputs are small, so the fuzzer's bytes are laid over a valid
// file: the first byte picks how, the rest lands in the header, the directory and the slots.
// Reading must refuse or load without stepping outside the payload, and every icon the records
// announce must be readable.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "formats/posix_file_system.h"
#include "iconedit/icon_file.h"

namespace {

using CountingRandom = vanto::CountingRandomSource;

const std::vector<std::uint8_t>& BaseFile() {
    static const std::vector<std::uint8_t> file = [] {
        vanto::IconFile icons;
        const std::uint8_t png[] = {0x89, 'P', 'N', 'G', 1, 2, 3};
        icons.SetIcon(vanto::ICON_DEVICE, 1, png, sizeof png);
        icons.SetIcon(vanto::ICON_DEVSEL, 1, png, sizeof png);
        icons.SetIcon(vanto::ICON_KEY, 7, png, sizeof png);
        icons.PrepareForSave();
        CountingRandom random;
        return *icons.BuildIconFileBytes(random);
    }();
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vanto::IconFile icons;
    if (size == 0)
        return 0;
    const std::uint8_t mode = data[0];
    ++data;
    --size;
    if (mode % 3 == 0) {
        // As it comes: mostly refused on its length.
        icons.ReadIconFileBytes(data, size);
    } else {
        std::vector<std::uint8_t> file = BaseFile();
        const std::size_t n = size < file.size() ? size : file.size();
        // mode 1: over the header and payload start; mode 2: over the unscrambled directory.
        if (mode % 3 == 1) {
            std::memcpy(file.data(), data, n);
            icons.ReadIconFileBytes(file.data(), file.size());
        } else {
            if (icons.ReadIconFileBytes(file.data(), file.size()))
                __builtin_trap();
            std::memcpy(icons.Payload().data(), data, n < 4096 ? n : 4096);
        }
    }
    std::size_t total = 0;
    for (auto kind : {vanto::ICON_DEVICE, vanto::ICON_DEVSEL, vanto::ICON_KEY}) {
        for (int i = 0; i < vanto::IconSlotCount(kind); ++i) {
            const auto bytes = icons.IconBytes(kind, i);
            for (std::uint8_t b : bytes)
                total += b;
        }
    }
    const int device = icons.PrepareForSave();
    if (device < 0 || device > 20)
        __builtin_trap();
    return static_cast<int>(total & 0);
}

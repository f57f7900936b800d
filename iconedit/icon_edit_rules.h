#pragma once
// The rules that decide what goes into a slot, shared by the editor's "Open" command and by
// `icons pack`: the file size limit, the picture size of each kind, and the device selection icon
// made from every device icon that goes in.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "iconedit/icon_file.h"
#include "iconedit/image_codec.h"

namespace vanto::iconedit {

// Prompt filters: PNG icons, and the user icon file at start and at save (no blank before the
// parenthesis in the save prompt's filter).
inline constexpr const char* kPngFileFilter = "User Icon (*.png)|*.png||";
inline constexpr const char* kIconFileOpenFilter = "Vanto User Icon (*.vui)|*.vui||";
inline constexpr const char* kIconFileSaveFilter = "Vanto User Icon(*.vui)|*.vui||";

inline constexpr const char* kFileSizeText =
    "Selected file size: %d bytes.\nPlease select file less than %d bytes.";
inline constexpr const char* kFileSizeCaption = "Invalid file size!";
inline constexpr const char* kInvalidDevSelIconCaption = "Invalid device selection icon!";
inline constexpr const char* kInvalidKeyIconCaption = "Invalid key icon!";

// The made selection icon does not fit its slot, or could not be encoded. The slot keeps what it
// held.
inline constexpr const char* kMadeSelectionTooLargeText =
    "The device selection icon made from device icon %d takes %d bytes as PNG, but at most %d "
    "bytes fit.\nThe device selection icon of device %d was left as it was.";
inline constexpr const char* kMadeSelectionFailedText =
    "The device selection icon could not be made from device icon %d.\nThe device selection "
    "icon of device %d was left as it was.";

// Caption of a file that cannot be read or written.
inline constexpr const char* kFileErrorCaption = "User Icon Edit";

// `format` with each "%d" replaced by the next number, in order.
std::string FormatText(const char* format, std::initializer_list<long long> numbers);

// "Invalid file size!" when a file of `length` bytes plus the 4-byte length word exceeds the slot.
std::optional<IconMessage> CheckIconFileSize(IconKind kind, std::uint64_t length);

// A PNG file read for a slot of `kind`: refused by its size before anything is read, or failed to
// read, or its bytes.
struct IconPngFile {
    std::optional<IconMessage> refusal;
    std::optional<FileError> error;
    std::vector<std::uint8_t> bytes;
};
IconPngFile ReadIconPngFile(FileSystem& fs, const std::string& path, IconKind kind);
// The picture size refusal of `kind` for a picture of width x height (0 x 0: no picture).
IconMessage ImageSizeMessage(IconKind kind, int width, int height);

struct PlaceIconResult {
    // Set when the icon was refused; the set is then unchanged.
    std::optional<IconMessage> refusal;
    // The decoded picture, for the cell.
    RgbaImage picture;
    // Device icon only: the selection icon made from it. `selectionStored` tells whether its PNG
    // went into the selection slot; when not, `selectionNotice` says why and the slot is unchanged.
    std::optional<RgbaImage> selectionPicture;
    bool selectionStored = false;
    std::optional<IconMessage> selectionNotice;
};

// Puts the file bytes `bytes` into slot `index` of `kind`, exactly as given, after the size and
// picture checks. A device icon also makes the device's selection icon: the picture scaled to
// 60x60 by area averaging and encoded as PNG, stored when it fits its slot.
PlaceIconResult PlaceIcon(IconFile& icons, IconKind kind, int index,
                          std::span<const std::uint8_t> bytes, const ImageCodec& codec);

}  // namespace vanto::iconedit

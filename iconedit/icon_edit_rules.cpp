#include "iconedit/icon_edit_rules.h"

#include <cerrno>
#include <memory>
#include <string_view>

#include "iconedit/icon_edit_cells.h"

namespace vanto::iconedit {

std::string FormatText(const char* format, std::initializer_list<long long> numbers) {
    std::string out;
    auto next = numbers.begin();
    for (std::string_view rest = format; !rest.empty();) {
        if (rest.starts_with("%d") && next != numbers.end()) {
            out += std::to_string(*next++);
            rest.remove_prefix(2);
        } else {
            out += rest.front();
            rest.remove_prefix(1);
        }
    }
    return out;
}

std::optional<IconMessage> CheckIconFileSize(IconKind kind, std::uint64_t length) {
    const std::uint64_t slotSize = IconSlotSize(kind);
    if (length + 4 <= slotSize) {
        return std::nullopt;
    }
    return IconMessage{FormatText(kFileSizeText, {static_cast<long long>(length),
                                                  static_cast<long long>(slotSize)}),
                       kFileSizeCaption};
}

IconMessage ImageSizeMessage(IconKind kind, int width, int height) {
    const char* text = "";
    const char* caption = "";
    switch (kind) {
        case ICON_DEVICE:
            text = "Selected image size: %dx%d\nPlease select 120x80 image.";
            caption = kInvalidDeviceIconCaption;
            break;
        case ICON_DEVSEL:
            text = "Selected image size: %dx%d\nPlease select 60x60 image.";
            caption = kInvalidDevSelIconCaption;
            break;
        case ICON_KEY:
            text = "Selected image size: %dx%d\nPlease select 120x60 image.";
            caption = kInvalidKeyIconCaption;
            break;
    }
    return {FormatText(text, {width, height}), caption};
}

IconPngFile ReadIconPngFile(FileSystem& fs, const std::string& path, IconKind kind) {
    IconPngFile result;
    FileError error;
    const std::unique_ptr<InputFile> file = fs.OpenRead(path, &error);
    if (!file) {
        result.error = error;
        return result;
    }
    const std::int64_t length = file->Length();
    if (auto refusal = CheckIconFileSize(kind, static_cast<std::uint64_t>(length))) {
        result.refusal = std::move(refusal);
        return result;
    }
    result.bytes.resize(static_cast<std::size_t>(length));
    if (!file->ReadAt(0, result.bytes.data(), result.bytes.size())) {
        result.error = FileError{path, errno != 0 ? errno : EIO, {}};
        result.bytes.clear();
    }
    return result;
}

PlaceIconResult PlaceIcon(IconFile& icons, IconKind kind, int index,
                          std::span<const std::uint8_t> bytes, const ImageCodec& codec) {
    PlaceIconResult result;
    if (auto refusal = CheckIconFileSize(kind, bytes.size())) {
        result.refusal = std::move(refusal);
        return result;
    }
    std::optional<RgbaImage> picture = codec.Decode(bytes);
    const int width = picture && picture->IsValid() ? picture->width : 0;
    const int height = picture && picture->IsValid() ? picture->height : 0;
    if (width != IconPictureWidth(kind) || height != IconPictureHeight(kind)) {
        result.refusal = ImageSizeMessage(kind, width, height);
        return result;
    }
    if (!icons.SetIcon(kind, index, bytes.data(), bytes.size())) {
        // Only an index outside the kind's slots gets here; the size was checked above.
        result.refusal = ImageSizeMessage(kind, width, height);
        return result;
    }
    result.picture = std::move(*picture);
    if (kind != ICON_DEVICE) {
        return result;
    }

    const int device = index + 1;
    RgbaImage selection = codec.ScaleAreaAverage(result.picture, IconPictureWidth(ICON_DEVSEL),
                                                 IconPictureHeight(ICON_DEVSEL));
    std::optional<std::vector<std::uint8_t>> png;
    if (selection.IsValid()) {
        png = codec.EncodePng(selection);
    }
    if (!png || png->empty()) {
        result.selectionNotice = IconMessage{FormatText(kMadeSelectionFailedText, {device, device}),
                                             kInvalidDevSelIconCaption};
    } else if (png->size() > IconMaxPngSize(ICON_DEVSEL)) {
        result.selectionNotice =
            IconMessage{FormatText(kMadeSelectionTooLargeText,
                                   {device, static_cast<long long>(png->size()),
                                    static_cast<long long>(IconMaxPngSize(ICON_DEVSEL)), device}),
                        kInvalidDevSelIconCaption};
    } else {
        result.selectionStored = icons.SetIcon(ICON_DEVSEL, index, png->data(), png->size());
    }
    result.selectionPicture = std::move(selection);
    return result;
}

}  // namespace vanto::iconedit

#include "iconedit/icon_edit_pack.h"

#include <array>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <system_error>

#include "iconedit/icon_edit_rules.h"

namespace vanto::iconedit {
namespace {

namespace fs = std::filesystem;

void PrintMessage(std::ostream& err, const std::string& where, const IconMessage& message) {
    err << where << ": " << message.caption << "\n" << message.text << "\n";
}

using SlotKey = std::pair<int, int>;  // kind, index

// Reads one icon file and puts it into its slot. False (message printed) on any refusal.
bool PackOne(FileSystem& files, IconFile& icons, IconKind kind, int index, const fs::path& path,
             bool hasOwnDevSel, const ImageCodec& codec, std::ostream& err) {
    const std::string name = path.filename().string();
    const IconPngFile file = ReadIconPngFile(files, path.string(), kind);
    if (file.error) {
        err << name << ": " << file.error->Reason() << "\n";
        return false;
    }
    if (file.refusal) {
        PrintMessage(err, name, *file.refusal);
        return false;
    }
    const PlaceIconResult placed = PlaceIcon(icons, kind, index, file.bytes, codec);
    if (placed.refusal) {
        PrintMessage(err, name, *placed.refusal);
        return false;
    }
    if (placed.selectionNotice && !hasOwnDevSel) {
        PrintMessage(err, name, *placed.selectionNotice);
    }
    return true;
}

}  // namespace

std::optional<IconFileName> ParseIconFileName(const std::string& name) {
    static constexpr std::array<IconKind, 3> kKinds = {ICON_DEVICE, ICON_DEVSEL, ICON_KEY};
    for (IconKind kind : kKinds) {
        const std::string prefix = std::string(IconKindFilePrefix(kind)) + "-";
        // prefix, two digits, ".png"
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(prefix.size() + 2, 4, ".png") != 0) {
            continue;
        }
        const char tens = name[prefix.size()];
        const char units = name[prefix.size() + 1];
        if (tens < '0' || tens > '9' || units < '0' || units > '9') {
            return std::nullopt;
        }
        const int number = (tens - '0') * 10 + (units - '0');
        if (number < 1 || number > IconSlotCount(kind)) {
            return std::nullopt;
        }
        return IconFileName{kind, number - 1};
    }
    return std::nullopt;
}

std::string IconFileNameOf(IconKind kind, int index) {
    const int number = index + 1;
    return std::string(IconKindFilePrefix(kind)) + "-" + (number < 10 ? "0" : "") +
           std::to_string(number) + ".png";
}

int PackIcons(const PackRequest& request, const ImageCodec& codec, RandomSource& random,
              FileSystem& files, std::ostream& out, std::ostream& err) {
    // Gather the icon files first, so that a stray name refuses the folder before anything is
    // read. Names that look like icon names but stand for no slot are refused, not skipped.
    std::map<SlotKey, fs::path> found;
    std::error_code ec;
    fs::directory_iterator it(request.dir, ec);
    if (ec) {
        err << request.dir << ": " << ec.message() << "\n";
        return 1;
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const bool looksLikeIcon = (name.starts_with("device-") || name.starts_with("devsel-") ||
                                    name.starts_with("key-")) &&
                                   name.ends_with(".png");
        if (!looksLikeIcon) {
            continue;
        }
        const std::optional<IconFileName> slot = ParseIconFileName(name);
        if (!slot) {
            err << name << ": not an icon name (device-01.png..device-20.png, "
                << "devsel-01.png..devsel-20.png, key-01.png..key-25.png)\n";
            return 1;
        }
        found[{slot->kind, slot->index}] = it->path();
    }
    if (ec) {
        err << request.dir << ": " << ec.message() << "\n";
        return 1;
    }

    auto icons = std::make_unique<IconFile>();
    if (!request.from.empty()) {
        if (std::optional<IconMessage> refusal = icons->ReadIconFile(files, request.from)) {
            PrintMessage(err, request.from, *refusal);
            return 1;
        }
    }

    // A device icon first, then the device's own selection icon, which replaces the one made
    // from the device icon; then the keys.
    for (int index = 0; index < kDeviceCount; ++index) {
        const auto device = found.find({ICON_DEVICE, index});
        const auto devsel = found.find({ICON_DEVSEL, index});
        const bool hasOwnDevSel = devsel != found.end();
        if (device != found.end() &&
            !PackOne(files, *icons, ICON_DEVICE, index, device->second, hasOwnDevSel, codec, err)) {
            return 1;
        }
        if (hasOwnDevSel &&
            !PackOne(files, *icons, ICON_DEVSEL, index, devsel->second, false, codec, err)) {
            return 1;
        }
    }
    for (int index = 0; index < kKeyCount; ++index) {
        const auto key = found.find({ICON_KEY, index});
        if (key != found.end() &&
            !PackOne(files, *icons, ICON_KEY, index, key->second, false, codec, err)) {
            return 1;
        }
    }

    if (const int device = icons->PrepareForSave(); device != 0) {
        PrintMessage(err, request.output, IconFile::PairingMessage(device));
        return 1;
    }
    if (std::optional<FileError> error = icons->WriteIconFile(files, request.output, random)) {
        err << error->Text() << "\n";
        return 1;
    }

    int devices = 0;
    int keys = 0;
    for (int index = 0; index < kDeviceCount; ++index) {
        devices += icons->HasIcon(ICON_DEVICE, index) ? 1 : 0;
    }
    for (int index = 0; index < kKeyCount; ++index) {
        keys += icons->HasIcon(ICON_KEY, index) ? 1 : 0;
    }
    out << request.output << ": " << devices << " devices with their icons, " << keys
        << " key icons\n";
    return 0;
}

}  // namespace vanto::iconedit

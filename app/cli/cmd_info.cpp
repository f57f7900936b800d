// `info FILE`: the ImageHeader fields by name and which kind's check the file passes. An .s19 file
// is converted first and the resulting application image is shown.
#include <cstdio>
#include <ostream>
#include <string>

#include "app/cli/commands.h"
#include "formats/image_header.h"
#include "formats/srecord.h"
#include "iconedit/icon_file.h"

namespace vanto::cli {
namespace {

// A tag as text, with bytes that are not printable shown as \xNN.
std::string Printable(const std::string& tag) {
    std::string out;
    for (unsigned char c : tag) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out;
}

const char* MarkState(const ImageHeader& h) {
    if (h.IsCompleted())
        return "completed (\"PROGRAMEXISTNE\")";
    if (h.IsPending())
        return "pending (sixteen 0xFF: the upload was not verified)";
    return "neither completed nor pending";
}

void PrintHeader(std::ostream& out, const ImageHeader& h, const ByteBuffer& data,
                 std::int64_t realLength) {
    const std::uint8_t* b = h.data();
    Print(out, "KindTag:      \"%s\" (kind number %d)\n", Printable(h.KindTag()).c_str(),
          h.KindNumber());
    Print(out, "Param1:       0x%08X\n", h.Param1());
    Print(out, "Param2:       0x%08X\n", h.Param2());
    Print(out, "TotalLength:  %u (real length %lld%s)\n", h.TotalLength(),
          static_cast<long long>(realLength),
          static_cast<std::int64_t>(h.TotalLength()) == realLength ? ", equal" : ", differs");
    Print(out, "FormatTag:    \"%s\"\n", Printable(h.FormatTag()).c_str());
    Print(out, "TrailerTag:   \"%s\"\n", Printable(h.TrailerTag()).c_str());
    Print(out, "CheckWord:    %02X %02X %02X %02X\n", b[kCheckWordOffset], b[kCheckWordOffset + 1],
          b[kCheckWordOffset + 2], b[kCheckWordOffset + 3]);
    Print(out, "AddressWord:  0x%08X\n", h.AddressWord());
    Print(out, "FormatWord:   0x%08X\n", h.FormatWord());
    Print(out, "CompleteMark: %s\n", MarkState(h));
    if (data.size() >= kImageMagicOffset + 4) {
        Print(out, "Word at 576:  0x%08X\n", ReadLe32(data.data() + kImageMagicOffset));
    }
}

void PrintIcons(std::ostream& out, const IconFile& icons) {
    for (IconKind kind : {ICON_DEVICE, ICON_DEVSEL, ICON_KEY}) {
        std::string present;
        for (int i = 0; i < IconSlotCount(kind); ++i) {
            if (!icons.HasIcon(kind, i))
                continue;
            if (!present.empty())
                present += ' ';
            present += std::to_string(i + 1);
            present += '(';
            present += std::to_string(icons.IconBytes(kind, i).size());
            present += ')';
        }
        Print(out, "Icons %-7s %s\n", (std::string(IconKindFilePrefix(kind)) + ":").c_str(),
              present.empty() ? "none" : present.c_str());
    }
}

}  // namespace

int RunInfo(const ParsedArgs& args, CommandIo& io) {
    std::ostream& out = io.out;
    const std::string& path = args.Operands()[0];
    ByteBuffer data;
    std::int64_t realLength = 0;
    if (HasS19Extension(path)) {
        const SRecordStatus st = ConvertSRecordFile(io.fs, path, data);
        if (st != SRecordStatus::Ok) {
            Print(io.err, "%s\n", SRecordStatusText(st));
            return kExitRefused;
        }
        realLength = static_cast<std::int64_t>(data.size());
        Print(out, "File:         %s (converted from S-records: %lld bytes)\n", path.c_str(),
              static_cast<long long>(realLength));
    } else {
        FileError error;
        if (!ReadFilePrefix(io.fs, path, kIconFileLength, data, realLength, &error)) {
            Print(io.err, "%s\n", error.Text().c_str());
            return kExitRefused;
        }
        Print(out, "File:         %s (%lld bytes)\n", path.c_str(),
              static_cast<long long>(realLength));
    }
    if (data.size() < kImageHeaderSize) {
        Print(io.err, "The file is shorter than the 576-byte header: no check passes.\n");
        return kExitRefused;
    }
    const ImageHeader header = ImageHeader::FromBytes(data.data(), data.size());
    PrintHeader(out, header, data, realLength);

    // Checks over the prefix read; the image kinds and upload kinds read only the header and the
    // word at 576, and the icon editor check needs the exact length, which the prefix holds.
    const std::size_t checkedSize = realLength > static_cast<std::int64_t>(data.size())
                                        ? data.size()
                                        : static_cast<std::size_t>(realLength);
    bool passed = false;
    std::string reasons;
    for (ImageKind kind : {ImageKind::Application, ImageKind::Database, ImageKind::UserData,
                           ImageKind::OneDevice, ImageKind::UserIcon}) {
        const HeaderCheck check = CheckImageHeader(kind, data.data(), checkedSize);
        if (check == HeaderCheck::Ok) {
            Print(out, "Passes:       the %s check\n", ImageKindName(kind));
            passed = true;
        } else {
            reasons += std::string("  ") + ImageKindName(kind) + ": " +
                       HeaderCheckReason(kind, check) + "\n";
        }
    }
    if (CheckImageHeader(ImageKind::UserIcon, data.data(), checkedSize) == HeaderCheck::Ok) {
        const HeaderCheck editor = CheckIconEditorHeader(
            data.data(),
            realLength == static_cast<std::int64_t>(kIconFileLength) ? data.size() : 0);
        if (editor == HeaderCheck::Ok) {
            Print(out, "Passes:       the icon editor check\n");
            IconFile icons;
            if (!icons.ReadIconFileBytes(data.data(), data.size()))
                PrintIcons(out, icons);
        } else {
            Print(out, "Icon editor:  refused, %s\n",
                  HeaderCheckReason(ImageKind::UserIcon, editor).c_str());
        }
    }
    if (!passed) {
        Print(io.err, "No check passes:\n%s", reasons.c_str());
        return kExitRefused;
    }
    return kExitOk;
}

}  // namespace vanto::cli

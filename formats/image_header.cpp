#include "formats/image_header.h"

#include <cstring>

namespace vanto {
namespace {

bool TagIs(const std::uint8_t* data, std::size_t offset, const char* tag) {
    return std::memcmp(data + offset, tag, 4) == 0;
}

constexpr std::size_t kImageCheckMinimum = kImageMagicOffset + 4;  // 580

HeaderCheck CheckUploadKind(const std::uint8_t* d, std::size_t size, const char* kind,
                            const char* format, const char* trailer) {
    if (size < kImageHeaderSize)
        return HeaderCheck::TooShort;
    if (!TagIs(d, kKindTagOffset, kind))
        return HeaderCheck::BadKindTag;
    if (!TagIs(d, kFormatTagOffset, format))
        return HeaderCheck::BadFormatTag;
    if (!TagIs(d, kTrailerTagOffset, trailer))
        return HeaderCheck::BadTrailerTag;
    return HeaderCheck::Ok;
}

std::string Tag4(const std::uint8_t* p) {
    return std::string(reinterpret_cast<const char*>(p), 4);
}

}  // namespace

std::uint32_t ReadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void WriteLe32(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
    p[2] = static_cast<std::uint8_t>(value >> 16);
    p[3] = static_cast<std::uint8_t>(value >> 24);
}

std::uint16_t ReadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void WriteLe16(std::uint8_t* p, std::uint16_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

int KindNumber(const std::uint8_t* header) {
    const int units = static_cast<std::int8_t>(header[kKindTagOffset]);
    const int tens = static_cast<std::int8_t>(header[kKindTagOffset + 1]);
    return (units - 0x30) + 10 * (tens - 0x30);
}

HeaderCheck CheckImageHeader(ImageKind kind, const std::uint8_t* d, std::size_t size) {
    switch (kind) {
        case ImageKind::Application:
            if (size < kImageCheckMinimum)
                return HeaderCheck::TooShort;
            if (ReadLe32(d + kImageMagicOffset) != kApplicationMagic)
                return HeaderCheck::BadMagic;
            if (d[210] != 'V' || d[211] != 'K')
                return HeaderCheck::BadKindTag;
            // Compared unsigned: a negative kind number is out of range too.
            if (static_cast<unsigned>(KindNumber(d)) > 14u)
                return HeaderCheck::BadKindNumber;
            if (!TagIs(d, kFormatTagOffset, "03CR") && !TagIs(d, kFormatTagOffset, "13CR")) {
                return HeaderCheck::BadFormatTag;
            }
            if (!TagIs(d, kTrailerTagOffset, "RC30") && !TagIs(d, kTrailerTagOffset, "RC31")) {
                return HeaderCheck::BadTrailerTag;
            }
            return HeaderCheck::Ok;
        case ImageKind::Database:
            if (size < kImageCheckMinimum)
                return HeaderCheck::TooShort;
            if (ReadLe32(d + kImageMagicOffset) != kDatabaseMagic)
                return HeaderCheck::BadMagic;
            if (!TagIs(d, kKindTagOffset, "81VK"))
                return HeaderCheck::BadKindTag;
            if (!TagIs(d, kFormatTagOffset, "03CR"))
                return HeaderCheck::BadFormatTag;
            if (!TagIs(d, kTrailerTagOffset, "RC30"))
                return HeaderCheck::BadTrailerTag;
            return HeaderCheck::Ok;
        case ImageKind::UserData:
            return CheckUploadKind(d, size, "09VK", "03DU", "UD30");
        case ImageKind::OneDevice:
            return CheckUploadKind(d, size, "19VK", "03DD", "DD30");
        case ImageKind::UserIcon:
            return CheckUploadKind(d, size, "29VK", "03IU", "UI30");
    }
    return HeaderCheck::BadKindTag;
}

HeaderCheck CheckIconEditorHeader(const std::uint8_t* d, std::size_t size) {
    if (size != kIconFileLength)
        return HeaderCheck::BadFileLength;
    if (!TagIs(d, kKindTagOffset, "29VK"))
        return HeaderCheck::BadKindTag;
    if (ReadLe32(d + kTotalLengthOffset) != kIconFileLength)
        return HeaderCheck::BadTotalLength;
    if (!TagIs(d, kFormatTagOffset, "03IU"))
        return HeaderCheck::BadFormatTag;
    if (!TagIs(d, kTrailerTagOffset, "UI30"))
        return HeaderCheck::BadTrailerTag;
    if (std::memcmp(d + kCompleteMarkOffset, kCompleteMarkDone.data(), kCompleteMarkSize) != 0) {
        return HeaderCheck::NotCompleted;
    }
    return HeaderCheck::Ok;
}

const char* ImageKindName(ImageKind kind) {
    switch (kind) {
        case ImageKind::Application:
            return "application image";
        case ImageKind::Database:
            return "database";
        case ImageKind::UserData:
            return "user data";
        case ImageKind::OneDevice:
            return "one-device data";
        case ImageKind::UserIcon:
            return "user icon";
    }
    return "?";
}

std::string HeaderCheckReason(ImageKind kind, HeaderCheck check) {
    switch (check) {
        case HeaderCheck::Ok:
            return "passes";
        case HeaderCheck::TooShort:
            return (kind == ImageKind::Application || kind == ImageKind::Database)
                       ? "shorter than 580 bytes"
                       : "shorter than the 576-byte header";
        case HeaderCheck::BadMagic:
            return kind == ImageKind::Database ? "the word at 576 is not 0x55AA4442"
                                               : "the word at 576 is not 0xF10C00C0";
        case HeaderCheck::BadKindTag:
            switch (kind) {
                case ImageKind::Application:
                    return "bytes 210..211 are not \"VK\"";
                case ImageKind::Database:
                    return "KindTag is not \"81VK\"";
                case ImageKind::UserData:
                    return "KindTag is not \"09VK\"";
                case ImageKind::OneDevice:
                    return "KindTag is not \"19VK\"";
                case ImageKind::UserIcon:
                    return "KindTag is not \"29VK\"";
            }
            return "KindTag does not match";
        case HeaderCheck::BadKindNumber:
            return "the kind number is not 0 to 14";
        case HeaderCheck::BadFormatTag:
            switch (kind) {
                case ImageKind::Application:
                    return "FormatTag is not \"03CR\" or \"13CR\"";
                case ImageKind::Database:
                    return "FormatTag is not \"03CR\"";
                case ImageKind::UserData:
                    return "FormatTag is not \"03DU\"";
                case ImageKind::OneDevice:
                    return "FormatTag is not \"03DD\"";
                case ImageKind::UserIcon:
                    return "FormatTag is not \"03IU\"";
            }
            return "FormatTag does not match";
        case HeaderCheck::BadTrailerTag:
            switch (kind) {
                case ImageKind::Application:
                    return "TrailerTag is not \"RC30\" or \"RC31\"";
                case ImageKind::Database:
                    return "TrailerTag is not \"RC30\"";
                case ImageKind::UserData:
                    return "TrailerTag is not \"UD30\"";
                case ImageKind::OneDevice:
                    return "TrailerTag is not \"DD30\"";
                case ImageKind::UserIcon:
                    return "TrailerTag is not \"UI30\"";
            }
            return "TrailerTag does not match";
        case HeaderCheck::BadFileLength:
            return "the file is not 1049152 bytes long";
        case HeaderCheck::BadTotalLength:
            return "TotalLength is not 1049152";
        case HeaderCheck::NotCompleted:
            return "CompleteMark is not the completed form";
    }
    return "unknown";
}

ImageHeader ImageHeader::FromBytes(const std::uint8_t* data, std::size_t size) {
    ImageHeader h;
    if (data != nullptr && size > 0) {
        std::memcpy(h.m_bytes.data(), data, size < kImageHeaderSize ? size : kImageHeaderSize);
    }
    return h;
}

std::string ImageHeader::KindTag() const {
    return Tag4(m_bytes.data() + kKindTagOffset);
}
std::string ImageHeader::FormatTag() const {
    return Tag4(m_bytes.data() + kFormatTagOffset);
}
std::string ImageHeader::TrailerTag() const {
    return Tag4(m_bytes.data() + kTrailerTagOffset);
}
int ImageHeader::KindNumber() const {
    return vanto::KindNumber(m_bytes.data());
}
std::uint32_t ImageHeader::Param1() const {
    return ReadLe32(m_bytes.data() + kParam1Offset);
}
std::uint32_t ImageHeader::Param2() const {
    return ReadLe32(m_bytes.data() + kParam2Offset);
}
std::uint32_t ImageHeader::TotalLength() const {
    return ReadLe32(m_bytes.data() + kTotalLengthOffset);
}
std::uint32_t ImageHeader::AddressWord() const {
    return ReadLe32(m_bytes.data() + kAddressWordOffset);
}
std::uint32_t ImageHeader::FormatWord() const {
    return ReadLe32(m_bytes.data() + kFormatWordOffset);
}
std::uint32_t ImageHeader::CheckWordLe() const {
    return ReadLe32(m_bytes.data() + kCheckWordOffset);
}

bool ImageHeader::IsCompleted() const {
    return std::memcmp(m_bytes.data() + kCompleteMarkOffset, kCompleteMarkDone.data(),
                       kCompleteMarkSize) == 0;
}

bool ImageHeader::IsPending() const {
    return std::memcmp(m_bytes.data() + kCompleteMarkOffset, kCompleteMarkPending.data(),
                       kCompleteMarkSize) == 0;
}

void ImageHeader::SetHeadBlock(const std::array<std::array<std::uint8_t, 16>, 3>& names) {
    for (std::size_t i = 0; i < 3; ++i) {
        std::memcpy(m_bytes.data() + kHeadBlockOffset + 16 * i, names[i].data(), 16);
    }
}

std::array<std::array<std::uint8_t, 16>, 3> ImageHeader::HeadBlock() const {
    std::array<std::array<std::uint8_t, 16>, 3> names{};
    for (std::size_t i = 0; i < 3; ++i) {
        std::memcpy(names[i].data(), m_bytes.data() + kHeadBlockOffset + 16 * i, 16);
    }
    return names;
}

void ImageHeader::SetCompleted() {
    std::memcpy(m_bytes.data() + kCompleteMarkOffset, kCompleteMarkDone.data(), kCompleteMarkSize);
}

std::optional<ImageHeader> BuildUploadHeader(ImageKind kind, const UploadHeadValues& head) {
    const char* kindTag = nullptr;
    const char* formatTag = nullptr;
    const char* trailerTag = nullptr;
    std::uint32_t param1 = 0;
    std::uint32_t param2 = 0;
    switch (kind) {
        case ImageKind::UserData:
            kindTag = "09VK", formatTag = "03DU", trailerTag = "UD30";
            param1 = param2 = head.headParam1;
            break;
        case ImageKind::OneDevice:
            kindTag = "19VK", formatTag = "03DD", trailerTag = "DD30";
            param1 = head.devParam1;
            param2 = head.devParam2;
            break;
        case ImageKind::UserIcon:
            kindTag = "29VK", formatTag = "03IU", trailerTag = "UI30";
            break;
        default:
            return std::nullopt;
    }
    ImageHeader h;
    std::uint8_t* b = h.bytes().data();
    std::memcpy(b + kKindTagOffset, kindTag, 4);
    WriteLe32(b + kParam1Offset, param1);
    WriteLe32(b + kParam2Offset, param2);
    // Wraps modulo 2^32 like the 32-bit field it lands in.
    WriteLe32(b + kTotalLengthOffset,
              head.headParam2 + static_cast<std::uint32_t>(kImageHeaderSize));
    std::memcpy(b + kFormatTagOffset, formatTag, 4);
    WriteLe32(b + kCheckWordOffset, head.headParam3);
    WriteLe32(b + kAddressWordOffset, kUploadAddressWord);
    std::memcpy(b + kTrailerTagOffset, trailerTag, 4);
    WriteLe32(b + kFormatWordOffset, kFormatWordValue);
    std::memcpy(b + kCompleteMarkOffset, kCompleteMarkPending.data(), kCompleteMarkSize);
    h.SetHeadBlock(head.names);
    return h;
}

}  // namespace vanto

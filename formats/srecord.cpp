// S-record to application image conversion. The file is read read-only in large chunks and
// parsed in place: no per-line allocation, hex digits decoded through a lookup table. The image
// buffer reserves address space for the size the file can plausibly describe, so a contiguous
// image never reallocates, and untouched reserve costs no memory.
#include "formats/srecord.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>

#include "formats/crc16.h"
#include "formats/image_header.h"

namespace vanto {
namespace {

constexpr std::size_t kMaxLineLength = 511;
constexpr std::size_t kReadChunk = 1 << 20;

// 0..15 for a hex digit, 0x10 for anything else.
constexpr std::array<std::uint8_t, 256> kHex = [] {
    std::array<std::uint8_t, 256> t{};
    for (auto& v : t)
        v = 0x10;
    for (int c = 0; c < 10; ++c)
        t['0' + c] = static_cast<std::uint8_t>(c);
    for (int c = 0; c < 6; ++c) {
        t['A' + c] = static_cast<std::uint8_t>(10 + c);
        t['a' + c] = static_cast<std::uint8_t>(10 + c);
    }
    return t;
}();

// Builds the image record by record.
class ImageBuilder {
public:
    explicit ImageBuilder(ByteBuffer& image) : m_image(image) {}

    // Parses one line (without its line end). Returns Ok, FormatError or TooLarge; sets m_end
    // when the line is an S7 record.
    SRecordStatus Line(const std::uint8_t* s, std::size_t len) {
        if (len == 0)
            return SRecordStatus::Ok;  // blank line
        if (len > kMaxLineLength)
            return SRecordStatus::FormatError;
        if (len >= 2 && s[0] == 'S') {
            switch (s[1]) {
                case '7':
                    m_end = true;
                    return SRecordStatus::Ok;
                case '0':
                case '5':
                case '6':
                    return SRecordStatus::Ok;  // header and record counts carry no data
                case '3':
                    break;
                default:
                    return SRecordStatus::FormatError;
            }
        } else {
            return SRecordStatus::FormatError;
        }
        if (len < 12)
            return SRecordStatus::FormatError;
        const unsigned c0 = kHex[s[2]];
        const unsigned c1 = kHex[s[3]];
        if ((c0 | c1) & 0x10)
            return SRecordStatus::FormatError;
        const unsigned count = (c0 << 4) | c1;
        if (count < 5)
            return SRecordStatus::FormatError;
        // Count digits, then count bytes as hex pairs: address, data and the checksum.
        if (len < 4 + 2 * static_cast<std::size_t>(count))
            return SRecordStatus::FormatError;
        std::uint32_t address = 0;
        unsigned bad = 0;
        for (int i = 4; i < 12; ++i) {
            const unsigned d = kHex[s[i]];
            bad |= d;
            address = (address << 4) | (d & 0x0F);
        }
        if (bad & 0x10)
            return SRecordStatus::FormatError;
        const std::size_t n = count - 5;

        if (!m_haveStart) {
            m_haveStart = true;
            m_start = address;
        } else if (address < m_prevAddress) {
            return SRecordStatus::FormatError;
        }
        if (address < m_start)
            return SRecordStatus::FormatError;
        const std::uint64_t offset = static_cast<std::uint64_t>(address) - m_start;
        const std::uint64_t end = offset + n;
        if (end > static_cast<std::uint64_t>(kMaxImageBytes))
            return SRecordStatus::TooLarge;
        if (end > m_image.size())
            m_image.resize(static_cast<std::size_t>(end));  // zero gaps

        std::uint8_t* out = m_image.data() + offset;
        const std::uint8_t* in = s + 12;
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned hi = kHex[in[2 * i]];
            const unsigned lo = kHex[in[2 * i + 1]];
            bad |= hi | lo;
            out[i] = static_cast<std::uint8_t>((hi << 4) | (lo & 0x0F));
        }
        if (bad & 0x10)
            return SRecordStatus::FormatError;
        m_prevAddress = address;
        return SRecordStatus::Ok;
    }

    bool Ended() const { return m_end; }

    SRecordStatus Finish() {
        std::size_t end = m_image.size();
        if (end % 4 != 0)
            end += 4 - end % 4;
        if (end > static_cast<std::size_t>(kMaxImageBytes))
            return SRecordStatus::TooLarge;
        m_image.resize(end);
        // A short image fails the application check; its fields are only written where they fit.
        if (end < kImageHeaderSize)
            return SRecordStatus::Ok;
        std::uint8_t* b = m_image.data();
        std::memcpy(b + kKindTagOffset, "00VK", 4);
        WriteLe32(b + kParam1Offset, m_start);
        WriteLe32(b + kParam2Offset, m_start);
        WriteLe32(b + kAddressWordOffset, m_start);
        WriteLe32(b + kTotalLengthOffset, static_cast<std::uint32_t>(end));
        WriteLe32(b + kFormatWordOffset, kFormatWordValue);
        const auto crcLength = static_cast<std::int32_t>(end - 512);
        const std::uint16_t c2 = CrcCompute(CrcSelect(2), b + 512, crcLength);
        const std::uint16_t c3 = CrcCompute(CrcSelect(3), b + 512, crcLength);
        b[kCheckWordOffset + 0] = static_cast<std::uint8_t>(c2 >> 8);
        b[kCheckWordOffset + 1] = static_cast<std::uint8_t>(c2);
        b[kCheckWordOffset + 2] = static_cast<std::uint8_t>(c3 >> 8);
        b[kCheckWordOffset + 3] = static_cast<std::uint8_t>(c3);
        return SRecordStatus::Ok;
    }

private:
    ByteBuffer& m_image;
    bool m_haveStart = false;
    bool m_end = false;
    std::uint32_t m_start = 0;
    std::uint32_t m_prevAddress = 0;
};

// Feeds every complete line of [p, p + n) to the builder. Returns the number of bytes consumed;
// an incomplete last line is left unless `final` is set.
SRecordStatus FeedLines(ImageBuilder& builder, const std::uint8_t* p, std::size_t n, bool final,
                        std::size_t& consumed) {
    consumed = 0;
    while (consumed < n && !builder.Ended()) {
        const std::uint8_t* line = p + consumed;
        const std::size_t rest = n - consumed;
        const auto* nl = static_cast<const std::uint8_t*>(std::memchr(line, '\n', rest));
        std::size_t len;
        std::size_t step;
        if (nl != nullptr) {
            len = static_cast<std::size_t>(nl - line);
            step = len + 1;
        } else if (final) {
            len = rest;
            step = rest;
        } else {
            // Wait for the rest of the line, unless it is already too long to be a record.
            return rest > kMaxLineLength + 1 ? SRecordStatus::FormatError : SRecordStatus::Ok;
        }
        if (len > 0 && line[len - 1] == '\r')
            --len;
        const SRecordStatus st = builder.Line(line, len);
        if (st != SRecordStatus::Ok)
            return st;
        consumed += step;
    }
    return SRecordStatus::Ok;
}

bool StartsLikeSRecords(const std::uint8_t* p, std::size_t n) {
    return n >= 2 && p[0] == 'S' && (p[1] == '3' || p[1] == '0');
}

void ReserveFor(ByteBuffer& image, std::uint64_t textSize) {
    // Two hex digits per data byte at most; contiguous images then never reallocate.
    std::uint64_t want = textSize / 2 + 4096;
    if (want > static_cast<std::uint64_t>(kMaxImageBytes) + 4)
        want = kMaxImageBytes + 4;
    try {
        image.reserve(static_cast<std::size_t>(want));
    } catch (const std::bad_alloc&) {
        // Growing as needed still works.
    }
}

}  // namespace

const char* SRecordStatusText(SRecordStatus status) {
    switch (status) {
        case SRecordStatus::Ok:
            return "";
        case SRecordStatus::OpenError:
            return kS19OpenErrorText;
        case SRecordStatus::FormatError:
            return kS19FormatErrorText;
        case SRecordStatus::TooLarge:
            return kS19TooLargeText;
    }
    return kS19FormatErrorText;
}

SRecordStatus ConvertSRecords(const std::uint8_t* text, std::size_t size, ByteBuffer& image) {
    image.clear();
    if (!StartsLikeSRecords(text, size))
        return SRecordStatus::FormatError;
    ReserveFor(image, size);
    ImageBuilder builder(image);
    std::size_t consumed = 0;
    SRecordStatus st = FeedLines(builder, text, size, true, consumed);
    if (st == SRecordStatus::Ok)
        st = builder.Finish();
    if (st != SRecordStatus::Ok) {
        ByteBuffer().swap(image);
    }
    return st;
}

SRecordStatus ConvertSRecordFile(FileSystem& fs, const std::string& path, ByteBuffer& image) {
    image.clear();
    FileError error;
    const std::unique_ptr<InputFile> file = fs.OpenRead(path, &error);
    if (!file)
        return SRecordStatus::OpenError;
    const std::int64_t length = file->Length();
    std::vector<std::uint8_t> chunk(kReadChunk + kMaxLineLength + 2);
    std::size_t have = 0;  // bytes of an unfinished line kept at the chunk start
    std::int64_t offset = 0;
    bool first = true;
    ImageBuilder builder(image);
    SRecordStatus status = SRecordStatus::Ok;
    while (!builder.Ended()) {
        const auto r = static_cast<std::size_t>(
            std::min<std::int64_t>(length - offset, static_cast<std::int64_t>(kReadChunk)));
        if (r > 0 && !file->ReadAt(offset, chunk.data() + have, r)) {
            status = SRecordStatus::OpenError;
            break;
        }
        offset += static_cast<std::int64_t>(r);
        const bool eof = offset >= length;
        const std::size_t n = have + r;
        if (first) {
            first = false;
            if (!StartsLikeSRecords(chunk.data(), n)) {
                status = SRecordStatus::FormatError;
                break;
            }
            ReserveFor(image, static_cast<std::uint64_t>(length));
        }
        std::size_t consumed = 0;
        status = FeedLines(builder, chunk.data(), n, eof, consumed);
        if (status != SRecordStatus::Ok || eof)
            break;
        have = n - consumed;
        if (have > 0 && consumed > 0)
            std::memmove(chunk.data(), chunk.data() + consumed, have);
    }
    if (status == SRecordStatus::Ok)
        status = builder.Finish();
    if (status != SRecordStatus::Ok)
        ByteBuffer().swap(image);
    return status;
}

bool CheckApplicationImage(const std::uint8_t* image, std::size_t size) {
    return CheckImageHeader(ImageKind::Application, image, size) == HeaderCheck::Ok;
}

bool HasS19Extension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    const std::string ext = path.substr(dot);
    if (ext.size() != 4)
        return false;
    return ext[0] == '.' && (ext[1] == 's' || ext[1] == 'S') && ext[2] == '1' && ext[3] == '9';
}

ApplicationLoad LoadApplicationImage(FileSystem& fs, const std::string& path) {
    ApplicationLoad load;
    if (!HasS19Extension(path))
        return load;
    load.conversion = ConvertSRecordFile(fs, path, load.image);
    load.conversionBox = SRecordStatusText(load.conversion);
    if (load.conversion == SRecordStatus::Ok &&
        CheckApplicationImage(load.image.data(), load.image.size())) {
        load.valid = true;
    } else {
        ByteBuffer().swap(load.image);
    }
    return load;
}

}  // namespace vanto

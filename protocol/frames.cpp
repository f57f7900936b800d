#include "protocol/frames.h"

#include <cstring>

#include "protocol/transfer_job.h"

namespace vanto {

namespace {

// Writes the end byte and the check byte behind `n` bytes and returns the frame length.
std::size_t Finish(std::uint8_t* out, std::size_t n) {
    out[n] = FRAME_END;
    out[n + 1] = XorBytes(out + 1, n);
    return n + 2;
}

}  // namespace

bool IsDownloadRequest(std::uint8_t code) {
    return (code >= '0' && code <= '9') || code == REQ_DB_DOWNLOAD ||
           code == REQ_USERDATA_DOWNLOAD || code == REQ_ONEDEV_DOWNLOAD ||
           code == REQ_ICON_DOWNLOAD;
}

bool IsUploadRequest(std::uint8_t code) {
    return code == REQ_USERDATA_UPLOAD || code == REQ_ONEDEV_UPLOAD || code == REQ_ICON_UPLOAD;
}

bool IsHeadKind(std::uint8_t kind) {
    return kind == HK_USERDATA || kind == HK_ONEDEV || kind == HK_ICON;
}

std::uint8_t XorBytes(const std::uint8_t* p, std::size_t n) {
    std::uint64_t wide = 0;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        wide ^= w;
    }
    std::uint8_t x = 0;
    for (int s = 0; s < 64; s += 8)
        x ^= static_cast<std::uint8_t>(wide >> s);
    for (; i < n; ++i)
        x ^= p[i];
    return x;
}

std::size_t BuildRequest(std::uint8_t* out, std::uint8_t code) {
    out[0] = FRAME_START;
    out[1] = FT_REQUEST;
    out[2] = code;
    return Finish(out, 3);
}

std::size_t BuildReply(std::uint8_t* out, bool damaged) {
    out[0] = FRAME_START;
    out[1] = FT_REPLY;
    std::memset(out + 2, damaged ? '1' : '0', 4);
    return Finish(out, 6);
}

std::size_t BuildHeadShort(std::uint8_t* out, std::uint16_t blockCount, std::uint16_t checksum) {
    out[0] = FRAME_START;
    out[1] = FT_HEAD_SHORT;
    WriteBe16(out + 2, blockCount);
    WriteBe16(out + 4, checksum);
    return Finish(out, 6);
}

std::size_t BuildHead(std::uint8_t* out, const HeadInfo& head) {
    out[0] = FRAME_START;
    out[1] = FT_HEAD;
    out[2] = head.kind;
    WriteBe16(out + 3, head.blockCount);
    WriteBe16(out + 5, head.checksum);
    WriteBe32(out + 7, head.value1);
    WriteBe32(out + 11, head.value2);
    WriteBe32(out + 15, head.value3);
    for (std::size_t i = 0; i < 3; ++i)
        std::memcpy(out + 19 + 16 * i, head.names[i].data(), 16);
    return Finish(out, 67);
}

namespace {
std::size_t BuildTypeOnly(std::uint8_t* out, std::uint8_t type) {
    out[0] = FRAME_START;
    out[1] = type;
    return Finish(out, 2);
}
}  // namespace

std::size_t BuildStart(std::uint8_t* out) {
    return BuildTypeOnly(out, FT_START);
}
std::size_t BuildEnd(std::uint8_t* out) {
    return BuildTypeOnly(out, FT_END);
}
std::size_t BuildNak(std::uint8_t* out) {
    return BuildTypeOnly(out, FT_NAK);
}
std::size_t BuildFinalAck(std::uint8_t* out) {
    return BuildTypeOnly(out, FT_ACK);
}

std::size_t BuildBlockAck(std::uint8_t* out, std::uint16_t blockNo, std::uint8_t code) {
    out[0] = FRAME_START;
    out[1] = FT_BLOCK_ACK;
    WriteBe16(out + 2, blockNo);
    out[4] = code;
    out[5] = code;
    return Finish(out, 6);
}

std::size_t BuildData(std::uint8_t* out, std::uint16_t blockNo, const std::uint8_t* data,
                      std::size_t len) {
    out[0] = FRAME_START;
    out[1] = FT_DATA;
    WriteBe16(out + 2, blockNo);
    WriteBe16(out + 4, static_cast<std::uint16_t>(len));
    WriteBe16(out + 6, XorWordChecksum(data, len));
    out[8] = DATA_SEP;
    if (len != 0)
        std::memcpy(out + 9, data, len);
    out[9 + len] = DATA_SEP;
    return Finish(out, 10 + len);
}

bool CheckRequest(const std::uint8_t* body, std::size_t len) {
    return len >= 4 && (body[0] ^ body[1] ^ body[2]) == body[3];
}

bool CheckShortFrame(const std::uint8_t* body, std::size_t len) {
    return len >= 3 && (body[0] ^ body[1]) == body[2];
}

bool CheckBlockAck(const std::uint8_t* body, std::size_t len) {
    return len >= 7 && XorBytes(body, 6) == body[6];
}

bool CheckHead(const std::uint8_t* body, std::size_t len) {
    return len >= 68 && XorBytes(body, 67) == body[67];
}

bool CheckData(const std::uint8_t* body, std::size_t len) {
    // body: [0] type, [1-2] block, [3-4] L, [5-6] checksum, [7] separator, [8..7+L] data,
    // [8+L] separator, [9+L] end byte, [10+L] check byte.
    if (len < 11)
        return false;
    const std::size_t dataLen = ReadBe16(body + 3);
    if (dataLen + 11 > len)
        return false;
    if (body[7] != DATA_SEP)
        return false;
    if (ReadBe16(body + 5) != XorWordChecksum(body + 8, dataLen))
        return false;
    return XorBytes(body, dataLen + 10) == body[dataLen + 10];
}

HeadInfo ParseHead(const std::uint8_t* body) {
    HeadInfo h;
    h.kind = body[1];
    h.blockCount = ReadBe16(body + 2);
    h.checksum = ReadBe16(body + 4);
    h.value1 = ReadBe32(body + 6);
    h.value2 = ReadBe32(body + 10);
    h.value3 = ReadBe32(body + 14);
    for (std::size_t i = 0; i < 3; ++i)
        std::memcpy(h.names[i].data(), body + 18 + 16 * i, 16);
    return h;
}

}  // namespace vanto

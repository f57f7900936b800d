#pragma once
// Frames on the link: start byte, type byte, body, end byte, and a check byte that XORs every byte
// after the start byte. Builders write into a caller's buffer and return the frame length; checks
// look at a received frame the way the PC's receiver does. Numbers on the link are big-endian.

#include <array>
#include <cstddef>
#include <cstdint>

namespace vanto {

constexpr std::uint8_t FRAME_START = 0x0F;
constexpr std::uint8_t FRAME_END = 0x0E;
constexpr std::uint8_t DATA_SEP = 0x1C;

constexpr std::uint8_t FT_REQUEST = '1';
constexpr std::uint8_t FT_HEAD_SHORT = '2';
constexpr std::uint8_t FT_START = '3';
constexpr std::uint8_t FT_DATA = '4';
constexpr std::uint8_t FT_END = '5';
constexpr std::uint8_t FT_REPLY = '6';
constexpr std::uint8_t FT_BLOCK_ACK = '7';
constexpr std::uint8_t FT_HEAD = '9';
constexpr std::uint8_t FT_ACK = 0x06;
constexpr std::uint8_t FT_NAK = 0x15;

constexpr std::uint8_t REQ_APP_DOWNLOAD = '0';  // '0' to '9' all mean this
constexpr std::uint8_t REQ_DB_DOWNLOAD = 'P';
constexpr std::uint8_t REQ_USERDATA_UPLOAD = 'Q';
constexpr std::uint8_t REQ_USERDATA_DOWNLOAD = 'R';
constexpr std::uint8_t REQ_ONEDEV_UPLOAD = 'S';
constexpr std::uint8_t REQ_ONEDEV_DOWNLOAD = 'T';
constexpr std::uint8_t REQ_ICON_UPLOAD = 'U';
constexpr std::uint8_t REQ_ICON_DOWNLOAD = 'V';

constexpr std::uint8_t HK_USERDATA = '?';
constexpr std::uint8_t HK_ONEDEV = '@';
constexpr std::uint8_t HK_ICON = 'A';

constexpr std::uint8_t BLOCK_ACK_OK = 0x06;
constexpr std::uint8_t BLOCK_ACK_BAD = 0x15;

// Frame lengths, start byte included: one table for every frame of fixed length, by its type
// byte. 0 for a data frame (L + kDataFrameOverhead bytes for L data bytes) and unknown types.
constexpr std::size_t FrameLength(std::uint8_t type) {
    switch (type) {
        case FT_REQUEST:
            return 5;
        case FT_HEAD_SHORT:
        case FT_REPLY:
        case FT_BLOCK_ACK:
            return 8;
        case FT_HEAD:
            return 69;
        case FT_START:
        case FT_END:
        case FT_ACK:
        case FT_NAK:
            return 4;
        default:
            return 0;
    }
}
// What a receiver counts: the bytes after the start byte that complete a frame of this type.
constexpr int FrameBodyLength(std::uint8_t type) {
    return static_cast<int>(FrameLength(type)) - 1;
}

constexpr std::size_t kRequestFrameLen = FrameLength(FT_REQUEST);
constexpr std::size_t kReplyFrameLen = FrameLength(FT_REPLY);
constexpr std::size_t kHeadShortFrameLen = FrameLength(FT_HEAD_SHORT);
constexpr std::size_t kBlockAckFrameLen = FrameLength(FT_BLOCK_ACK);
constexpr std::size_t kHeadFrameLen = FrameLength(FT_HEAD);
constexpr std::size_t kShortFrameLen = FrameLength(FT_START);  // start, end, NAK, final ack

// A data frame: start, type, block number (2), length L (2), checksum (2), separator, L data
// bytes, separator, end, check.
constexpr std::size_t kDataFrameOverhead = 12;
constexpr std::size_t kMaxDataFrameLen = 2048 + kDataFrameOverhead;
constexpr int kDataHeaderBodyLength = 5;    // type, block number and length: L is known then
constexpr std::size_t kDataBodyOffset = 8;  // of the first data byte, after the start byte
// The receiver keeps 4096 bytes after the start byte, so a data frame carries at most this.
constexpr std::size_t kMaxReceivedDataLen = 4096 - 11 - 1;

// The values a head information carries. For kind '@' value1/value2 are the device parameters.
struct HeadInfo {
    std::uint8_t kind = HK_USERDATA;
    std::uint16_t blockCount = 0;
    std::uint16_t checksum = 0;
    std::uint32_t value1 = 0;
    std::uint32_t value2 = 0;
    std::uint32_t value3 = 0;
    std::array<std::array<std::uint8_t, 16>, 3> names{};
};

bool IsDownloadRequest(std::uint8_t code);  // '0'-'9', 'P', 'R', 'T', 'V'
bool IsUploadRequest(std::uint8_t code);    // 'Q', 'S', 'U'
bool IsHeadKind(std::uint8_t kind);

// XOR of `n` bytes.
std::uint8_t XorBytes(const std::uint8_t* p, std::size_t n);

// Builders. `out` must hold the frame (at most kMaxDataFrameLen bytes). Each returns the length.
std::size_t BuildRequest(std::uint8_t* out, std::uint8_t code);  // also the head-info request
std::size_t BuildReply(std::uint8_t* out, bool damaged);         // "1111" when damaged, else "0000"
std::size_t BuildHeadShort(std::uint8_t* out, std::uint16_t blockCount, std::uint16_t checksum);
std::size_t BuildHead(std::uint8_t* out, const HeadInfo& head);
std::size_t BuildStart(std::uint8_t* out);
std::size_t BuildEnd(std::uint8_t* out);
std::size_t BuildNak(std::uint8_t* out);
std::size_t BuildFinalAck(std::uint8_t* out);
std::size_t BuildBlockAck(std::uint8_t* out, std::uint16_t blockNo, std::uint8_t code);
// Data frame of `len` bytes (at most 4084) with the XOR word checksum of the data.
std::size_t BuildData(std::uint8_t* out, std::uint16_t blockNo, const std::uint8_t* data,
                      std::size_t len);

// Checks of a received frame the way the PC makes them. `body` points at the type byte (the byte
// after the start byte) and `len` counts the bytes from there; each check needs at least the
// frame's length after the start byte and looks at nothing beyond it.
bool CheckRequest(const std::uint8_t* body, std::size_t len);     // X over type, code, end byte
bool CheckShortFrame(const std::uint8_t* body, std::size_t len);  // start, end, final ack
bool CheckBlockAck(const std::uint8_t* body, std::size_t len);
bool CheckHead(const std::uint8_t* body, std::size_t len);  // check byte only; kind separately
// Data frame: separator before the data, the XOR word checksum and the check byte. The length
// field must fit in `len`.
bool CheckData(const std::uint8_t* body, std::size_t len);

inline std::uint16_t ReadBe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
inline std::uint32_t ReadBe32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}
inline void WriteBe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}
inline void WriteBe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

// Reads the head values of a received head information frame (body from the type byte).
HeadInfo ParseHead(const std::uint8_t* body);

}  // namespace vanto

#pragma once
// ImageHeader: the 576-byte header at the start of every image and data file (application image,
// database, user data, one-device data, user icon). Numbers are little-endian 32-bit words except
// where noted; tags are four ASCII bytes in file order, compared byte for byte.
//
//   0   208  Prefix (application image: its own first bytes; zero in headers the PC writes)
//   208   4  KindTag      "00VK" app, "81VK" database, "09VK" user data, "19VK" one device,
//                         "29VK" user icon  (byte 209 tens digit, byte 208 units digit)
//   212   4  Param1
//   216   4  Param2
//   220   4  TotalLength  whole file or image, header included
//   224   4  FormatTag    "03CR"/"13CR", "03DU", "03DD", "03IU"
//   232   4  CheckWord    app: CRC pair (type 2 then type 3, each high byte first); uploads:
//                         m_dwHeadParam3 little-endian
//   496   4  AddressWord  app: start address; uploads and icon editor: 0x63060000
//   500   4  TrailerTag   "RC30"/"RC31", "UD30", "DD30", "UI30"
//   504   4  FormatWord   0x00010201 in every header the PC writes
//   512  16  CompleteMark sixteen 0xFF while an upload runs, "PROGRAMEXISTNE\0\0" once verified
//   528  48  HeadBlock    m_szHeadName[0..2]; icon editor files: the scrambling seed
//   576      payload (images: magic word 0xF10C00C0 app, 0x55AA4442 database)

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "formats/bytes.h"

namespace vanto {

constexpr std::size_t kImageHeaderSize = 576;

constexpr std::size_t kKindTagOffset = 208;
constexpr std::size_t kParam1Offset = 212;
constexpr std::size_t kParam2Offset = 216;
constexpr std::size_t kTotalLengthOffset = 220;
constexpr std::size_t kFormatTagOffset = 224;
constexpr std::size_t kCheckWordOffset = 232;
constexpr std::size_t kAddressWordOffset = 496;
constexpr std::size_t kTrailerTagOffset = 500;
constexpr std::size_t kFormatWordOffset = 504;
constexpr std::size_t kCompleteMarkOffset = 512;
constexpr std::size_t kCompleteMarkSize = 16;
constexpr std::size_t kHeadBlockOffset = 528;
constexpr std::size_t kHeadBlockSize = 48;
constexpr std::size_t kImageMagicOffset = 576;

constexpr std::uint32_t kApplicationMagic = 0xF10C00C0;
constexpr std::uint32_t kDatabaseMagic = 0x55AA4442;
constexpr std::uint32_t kUploadAddressWord = 0x63060000;
constexpr std::uint32_t kFormatWordValue = 0x00010201;
// Length of a user icon file: header plus the 1 MiB icon payload.
constexpr std::uint32_t kIconFileLength = 1049152;

// The two states of CompleteMark.
constexpr std::array<std::uint8_t, kCompleteMarkSize> kCompleteMarkDone = {
    'P', 'R', 'O', 'G', 'R', 'A', 'M', 'E', 'X', 'I', 'S', 'T', 'N', 'E', 0, 0};
constexpr std::array<std::uint8_t, kCompleteMarkSize> kCompleteMarkPending = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// The five kinds of file that carry an ImageHeader.
enum class ImageKind {
    Application,  // .s19 converted in memory, "00VK".."41VK"
    Database,     // .bin, "81VK"
    UserData,     // .bin, "09VK"
    OneDevice,    // .odf, "19VK"
    UserIcon,     // .vui, "29VK"
};

// Why a header check failed. The pages show their own texts for any failure; these reasons are
// for tools that explain a refusal (HeaderCheckReason).
enum class HeaderCheck {
    Ok,
    TooShort,       // fewer bytes than the check reads (580 images, 576 others)
    BadMagic,       // word at 576
    BadKindTag,     // KindTag, or "VK" at 210..211 for an application image
    BadKindNumber,  // application image kind number above 14
    BadFormatTag,
    BadTrailerTag,
    BadFileLength,   // icon editor: the file is not exactly 1,049,152 bytes
    BadTotalLength,  // icon editor: TotalLength is not 1,049,152
    NotCompleted,    // icon editor: CompleteMark is not the completed form
};

// Little-endian 32-bit helpers for header and payload fields.
std::uint32_t ReadLe32(const std::uint8_t* p);
void WriteLe32(std::uint8_t* p, std::uint32_t value);
std::uint16_t ReadLe16(const std::uint8_t* p);
void WriteLe16(std::uint8_t* p, std::uint16_t value);

// Kind number from bytes 208 (units) and 209 (tens) taken as signed 8-bit values:
// (b208 - 0x30) + 10 * (b209 - 0x30). The bytes are not tested to be digits. `header` must hold at
// least 210 bytes.
int KindNumber(const std::uint8_t* header);

// The download check of `kind` over a whole file or image of `size` bytes: for the images the
// magic word, then the kind tag (and for an application the kind number), then FormatTag, then
// TrailerTag; the first failure is returned. Never reads past `size`.
HeaderCheck CheckImageHeader(ImageKind kind, const std::uint8_t* data, std::size_t size);

// The icon editor's stricter check of a user icon file: exact length 1,049,152, then KindTag,
// TotalLength, FormatTag, TrailerTag and the completed CompleteMark.
HeaderCheck CheckIconEditorHeader(const std::uint8_t* data, std::size_t size);

// A short explanation of a check result in our own words, for the command line ("the word at 576
// is not the application magic 0xF10C00C0", ...).
std::string HeaderCheckReason(ImageKind kind, HeaderCheck check);

// Display name of a kind ("application image", "database", "user data", "one-device data",
// "user icon").
const char* ImageKindName(ImageKind kind);

// The header's 576 bytes as a value.
class ImageHeader {
public:
    using Bytes = std::array<std::uint8_t, kImageHeaderSize>;

    ImageHeader() : m_bytes{} {}
    // The first 576 bytes of `data` (fewer when `size` is smaller; the rest stays zero).
    static ImageHeader FromBytes(const std::uint8_t* data, std::size_t size);

    const Bytes& bytes() const { return m_bytes; }
    Bytes& bytes() { return m_bytes; }
    const std::uint8_t* data() const { return m_bytes.data(); }

    std::string KindTag() const;  // four characters as stored
    std::string FormatTag() const;
    std::string TrailerTag() const;
    int KindNumber() const;
    std::uint32_t Param1() const;
    std::uint32_t Param2() const;
    std::uint32_t TotalLength() const;
    std::uint32_t AddressWord() const;
    std::uint32_t FormatWord() const;
    // The four CheckWord bytes read as a little-endian word (what m_dwHeadParam3 carries).
    std::uint32_t CheckWordLe() const;
    bool IsCompleted() const;  // CompleteMark is "PROGRAMEXISTNE\0\0"
    bool IsPending() const;    // CompleteMark is sixteen 0xFF bytes

    // Copies the three 16-byte HeadBlock fields into / out of a job's m_szHeadName.
    void SetHeadBlock(const std::array<std::array<std::uint8_t, 16>, 3>& names);
    std::array<std::array<std::uint8_t, 16>, 3> HeadBlock() const;

    void SetCompleted();  // writes the completed CompleteMark

private:
    Bytes m_bytes;
};

// The values of an upload's head information that its file header carries.
struct UploadHeadValues {
    std::uint32_t headParam1 = 0;  // first head value (user data)
    std::uint32_t headParam2 = 0;  // payload length
    std::uint32_t headParam3 = 0;  // check value, stored as CheckWord
    std::uint32_t devParam1 = 0;   // the two values of a one-device head
    std::uint32_t devParam2 = 0;
    std::array<std::array<std::uint8_t, 16>, 3> names{};  // HeadBlock
};

// The header an upload writes when the head information arrives: all zero, then the kind's tags,
// Param1/Param2 (user data: headParam1 twice; one device: devParam1, devParam2; user icon: 0, 0),
// TotalLength = headParam2 + 576, CheckWord = headParam3, AddressWord 0x63060000, FormatWord
// 0x00010201, CompleteMark pending (sixteen 0xFF), HeadBlock = names. Only the three upload kinds
// have one; other kinds give nullopt.
std::optional<ImageHeader> BuildUploadHeader(ImageKind kind, const UploadHeadValues& head);

}  // namespace vanto

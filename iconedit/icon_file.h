#pragma once
// The content of a user icon file (.vui): a 576-byte user icon ImageHeader followed by a
// 1,048,576-byte IconPayload, stored scrambled under the 48-byte seed in the header's HeadBlock.
// Every payload integer is little-endian.
//
// IconPayload (offsets from the payload start):
//   0      4  DIRECTORY_MAGIC 0x55AA4344
//   4      2  directory length 608
//   6      2  CRC-16 type 2 of bytes 8..607
//   8      4  device count;  12  4  the same again;  16  4  key count
//   20   160  20 IconRecords, device icons
//   180  160  20 IconRecords, device selection icons
//   340  200  25 IconRecords, key icons
//   540   20  device index list;  560  20  device selection index list;  580  25  key index list
//   605    3  reserved
//   608       0xFF filler up to 20480
//   20480     20 device slots of 20,480 bytes
//   430080    20 device selection slots of 10,240 bytes
//   634880    25 key slots of 16,384 bytes
//   1044480   0xFF filler to the end
// IconRecord: magic 0x55AA5549 (present exactly when these four bytes match), PNG length (16 bit),
// CRC-16 type 2 of the PNG (16 bit). IconSlot: PNG length (32 bit), PNG bytes, 0xFF to the end.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "formats/file_system.h"
#include "formats/image_header.h"

namespace vanto {

enum IconKind : int {
    ICON_DEVICE = 0,  // 120x80, 20 slots
    ICON_DEVSEL = 1,  // 60x60, 20 slots
    ICON_KEY = 2,     // 120x60, 25 slots
};

constexpr std::size_t kIconPayloadSize = 1048576;
constexpr std::size_t kIconDirectorySize = 608;
constexpr std::size_t kIconSeedSize = 48;
constexpr std::size_t kScrambleTableSize = 2048;
constexpr std::uint32_t DIRECTORY_MAGIC = 0x55AA4344;
constexpr std::uint32_t ICON_RECORD_MAGIC = 0x55AA5549;
constexpr int kDeviceCount = 20;
constexpr int kKeyCount = 25;

// Captions and texts the editor shows.
inline constexpr const char* kInvalidIconFileCaption = "Invalid user icon file!";
inline constexpr const char* kIconFileSizeText =
    "The file size is incorrect. (It should be %d bytes, but it's %d bytes.)";
inline constexpr const char* kIconHeaderCorruptedText = "The file header is corrupted.";
inline constexpr const char* kInvalidDeviceIconCaption = "Invalid device icon!";
inline constexpr const char* kIconPairingText =
    "There is no device icon or device selection icon on device %d!";

// Layout of one kind.
int IconSlotCount(IconKind kind);           // 20, 20, 25
std::size_t IconSlotSize(IconKind kind);    // 20480, 10240, 16384
std::size_t IconMaxPngSize(IconKind kind);  // slot size - 4
std::size_t IconRecordOffset(IconKind kind, int index);
std::size_t IconSlotOffset(IconKind kind, int index);
std::size_t IconIndexListOffset(IconKind kind);
const char* IconKindFilePrefix(IconKind kind);  // "device", "devsel", "key"

struct IconRecord {
    std::uint32_t magic = 0;
    std::uint16_t length = 0;
    std::uint16_t crc = 0;
};

// A message box to show: text and caption.
struct IconMessage {
    std::string text;
    std::string caption;
};

using IconSeed = std::array<std::uint8_t, kIconSeedSize>;
using ScrambleTable = std::array<std::uint8_t, kScrambleTableSize>;

// Source of the 48 seed bytes drawn for every save. Tests inject a fixed one.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    // Fills `out` with random bytes; false when the source failed.
    virtual bool Fill(std::span<std::uint8_t> out) = 0;
};

// The operating system's random source (getrandom(2)).
class SystemRandomSource : public RandomSource {
public:
    bool Fill(std::span<std::uint8_t> out) override;
};

// A repeatable source (first, first + step, first + 2 x step, ... modulo 256) for tests,
// benchmarks and files that are thrown away.
class CountingRandomSource : public RandomSource {
public:
    explicit CountingRandomSource(std::uint8_t first = 0, std::uint8_t step = 1)
        : m_next(first), m_step(step) {}
    bool Fill(std::span<std::uint8_t> out) override {
        for (std::uint8_t& b : out) {
            b = m_next;
            m_next = static_cast<std::uint8_t>(m_next + m_step);
        }
        return true;
    }

private:
    std::uint8_t m_next;
    std::uint8_t m_step;
};

// The table made from a seed (K[0..2047]).
ScrambleTable MakeScrambleTable(const std::uint8_t* seed);
// Transform kIconPayloadSize bytes in place. The table is consumed block by block, so each call
// takes its own copy.
void ScramblePayload(ScrambleTable table, std::uint8_t* payload);
void UnscramblePayload(ScrambleTable table, std::uint8_t* payload);

// The editor's icon set: one unscrambled IconPayload and the header of the file being edited.
// Both are all zero at construction.
class IconFile {
public:
    IconFile();

    void ClearPayload();

    // Index is 0-based; out-of-range indexes are absent / ignored.
    bool HasIcon(IconKind kind, int index) const;
    IconRecord Record(IconKind kind, int index) const;
    // The PNG bytes of a present icon: the first record-length bytes from slot offset 4, never
    // more than the slot holds. Empty when absent.
    std::span<const std::uint8_t> IconBytes(IconKind kind, int index) const;
    // False (nothing changed) when `length` exceeds IconMaxPngSize(kind) or index is out of range.
    bool SetIcon(IconKind kind, int index, const std::uint8_t* png, std::size_t length);
    void RemoveIcon(IconKind kind, int index);

    // Normalises the directory for saving. Returns 0 on success, or the device number 1..20 of
    // the first device whose device and selection icons are not paired.
    int PrepareForSave();
    // The message for a PrepareForSave failure at `device`.
    static IconMessage PairingMessage(int device);

    // Writes header and scrambled payload as the new content of `path`. Returns nullopt on
    // success, else why it failed (the file is then as it was). Updates the kept header
    // (CheckWord, tags, seed).
    std::optional<FileError> WriteIconFile(FileSystem& fs, const std::string& path,
                                           RandomSource& random);
    // The file image WriteIconFile writes (header + scrambled payload), for tools and tests.
    std::optional<std::vector<std::uint8_t>> BuildIconFileBytes(RandomSource& random);

    // Reads a user icon file. Returns nullopt on success (payload and header replaced), else the
    // message to show; on failure the set and header are unchanged. A file that cannot be opened
    // gives the system's reason with the caption kInvalidIconFileCaption.
    std::optional<IconMessage> ReadIconFile(FileSystem& fs, const std::string& path);
    // The same checks over a file image already in memory.
    std::optional<IconMessage> ReadIconFileBytes(const std::uint8_t* data, std::size_t size);

    const std::vector<std::uint8_t>& Payload() const { return m_payload; }
    std::vector<std::uint8_t>& Payload() { return m_payload; }
    const ImageHeader& Header() const { return m_header; }
    ImageHeader& Header() { return m_header; }

private:
    std::vector<std::uint8_t> m_payload;  // kIconPayloadSize bytes, unscrambled
    ImageHeader m_header;
};

}  // namespace vanto

#include "iconedit/icon_file.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "formats/crc16.h"

namespace vanto {
namespace {

constexpr std::size_t kCountsOffset = 8;
constexpr std::size_t kSlotsStart = 20480;
constexpr std::size_t kTailFillerStart = 1044480;
constexpr std::size_t kRecordSize = 8;
constexpr std::size_t kScrambleBlock = 2048;
constexpr std::size_t kBlockCount = kIconPayloadSize / kScrambleBlock;

struct KindLayout {
    int slots;
    std::size_t slotSize;
    std::size_t records;
    std::size_t indexList;
    std::size_t slotStart;
};

constexpr KindLayout kLayouts[3] = {
    {20, 20480, 20, 540, 20480},
    {20, 10240, 180, 560, 430080},
    {25, 16384, 340, 580, 634880},
};

bool ValidKind(IconKind kind) {
    return kind >= ICON_DEVICE && kind <= ICON_KEY;
}

bool ValidSlot(IconKind kind, int index) {
    return ValidKind(kind) && index >= 0 && index < kLayouts[kind].slots;
}

// Fills the "%d" places of a message text in order.
std::string Format(const char* text, long long a, long long b = 0) {
    std::string out = text;
    for (long long v : {a, b}) {
        const std::size_t at = out.find("%d");
        if (at == std::string::npos)
            break;
        out.replace(at, 2, std::to_string(v));
    }
    return out;
}

}  // namespace

int IconSlotCount(IconKind kind) {
    return ValidKind(kind) ? kLayouts[kind].slots : 0;
}
std::size_t IconSlotSize(IconKind kind) {
    return ValidKind(kind) ? kLayouts[kind].slotSize : 0;
}
std::size_t IconMaxPngSize(IconKind kind) {
    return ValidKind(kind) ? kLayouts[kind].slotSize - 4 : 0;
}
std::size_t IconRecordOffset(IconKind kind, int index) {
    return kLayouts[kind].records + kRecordSize * static_cast<std::size_t>(index);
}
std::size_t IconSlotOffset(IconKind kind, int index) {
    return kLayouts[kind].slotStart + kLayouts[kind].slotSize * static_cast<std::size_t>(index);
}
std::size_t IconIndexListOffset(IconKind kind) {
    return kLayouts[kind].indexList;
}

const char* IconKindFilePrefix(IconKind kind) {
    switch (kind) {
        case ICON_DEVICE:
            return "device";
        case ICON_DEVSEL:
            return "devsel";
        case ICON_KEY:
            return "key";
    }
    return "icon";
}

bool SystemRandomSource::Fill(std::span<std::uint8_t> out) {
    std::size_t got = 0;
    while (got < out.size()) {
        const ssize_t r = ::getrandom(out.data() + got, out.size() - got, 0);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        got += static_cast<std::size_t>(r);
    }
    return true;
}

ScrambleTable MakeScrambleTable(const std::uint8_t* seed) {
    ScrambleTable k{};
    std::memcpy(k.data(), seed, kIconSeedSize);
    for (int m = 0; m < 16; ++m)
        k[48 + m] = k[m] ^ k[16 + m] ^ k[32 + m];
    // K[64r .. 64r+63]: the 512-bit block K[0..63] rotated left by r bits.
    for (int r = 1; r <= 7; ++r) {
        for (int j = 0; j < 64; ++j) {
            k[64 * r + j] = static_cast<std::uint8_t>((k[j] << r) | (k[(j + 1) % 64] >> (8 - r)));
        }
    }
    for (int q = 1; q <= 3; ++q) {
        const int s = 512 * (q - 1);
        const int d = 512 * q;
        const int a = k[s];
        const int b = k[s + 256];
        for (int n = 0; n < 512; ++n) {
            k[d + n] = k[n] ^ k[s + (a + n) % 512] ^ k[s + (b + 256 + n) % 512];
        }
    }
    return k;
}

// Each block is XORed with the table rotated by (K[t] + 1); the block's scrambled bytes become
// the table for the next block. `scrambling` says which side of the XOR is the scrambled byte.
static void TransformPayload(ScrambleTable k, std::uint8_t* p, bool scrambling) {
    ScrambleTable next{};
    for (std::size_t t = 0; t < kBlockCount; ++t) {
        std::uint8_t* block = p + kScrambleBlock * t;
        const std::size_t o = k[t];
        // The rotated walk K[(o + 1 + j) mod 2048] as two straight runs.
        const std::size_t first = kScrambleBlock - (o + 1);
        for (std::size_t j = 0; j < first; ++j) {
            const std::uint8_t in = block[j];
            const std::uint8_t out = static_cast<std::uint8_t>(in ^ k[o + 1 + j]);
            block[j] = out;
            next[j] = scrambling ? out : in;
        }
        for (std::size_t j = first; j < kScrambleBlock; ++j) {
            const std::uint8_t in = block[j];
            const std::uint8_t out = static_cast<std::uint8_t>(in ^ k[j - first]);
            block[j] = out;
            next[j] = scrambling ? out : in;
        }
        k = next;
    }
}

void ScramblePayload(ScrambleTable table, std::uint8_t* payload) {
    TransformPayload(table, payload, true);
}

void UnscramblePayload(ScrambleTable table, std::uint8_t* payload) {
    TransformPayload(table, payload, false);
}

IconFile::IconFile() : m_payload(kIconPayloadSize, 0) {}

void IconFile::ClearPayload() {
    std::fill(m_payload.begin(), m_payload.end(), 0);
}

bool IconFile::HasIcon(IconKind kind, int index) const {
    if (!ValidSlot(kind, index))
        return false;
    return ReadLe32(m_payload.data() + IconRecordOffset(kind, index)) == ICON_RECORD_MAGIC;
}

IconRecord IconFile::Record(IconKind kind, int index) const {
    IconRecord r;
    if (!ValidSlot(kind, index))
        return r;
    const std::uint8_t* p = m_payload.data() + IconRecordOffset(kind, index);
    r.magic = ReadLe32(p);
    r.length = ReadLe16(p + 4);
    r.crc = ReadLe16(p + 6);
    return r;
}

std::span<const std::uint8_t> IconFile::IconBytes(IconKind kind, int index) const {
    if (!HasIcon(kind, index))
        return {};
    std::size_t length = Record(kind, index).length;
    // A loaded record may claim more than its slot holds; never read into the next slot.
    if (length > IconMaxPngSize(kind))
        length = IconMaxPngSize(kind);
    return {m_payload.data() + IconSlotOffset(kind, index) + 4, length};
}

bool IconFile::SetIcon(IconKind kind, int index, const std::uint8_t* png, std::size_t length) {
    if (!ValidSlot(kind, index) || length > IconMaxPngSize(kind))
        return false;
    std::uint8_t* slot = m_payload.data() + IconSlotOffset(kind, index);
    std::memset(slot, 0xFF, IconSlotSize(kind));
    WriteLe32(slot, static_cast<std::uint32_t>(length));
    if (length > 0)
        std::memcpy(slot + 4, png, length);
    const std::uint16_t crc = CrcCompute(CrcSelect(2), png, static_cast<std::int32_t>(length));
    std::uint8_t* rec = m_payload.data() + IconRecordOffset(kind, index);
    WriteLe32(rec, ICON_RECORD_MAGIC);
    WriteLe16(rec + 4, static_cast<std::uint16_t>(length));
    WriteLe16(rec + 6, crc);
    return true;
}

void IconFile::RemoveIcon(IconKind kind, int index) {
    if (!ValidSlot(kind, index))
        return;
    std::memset(m_payload.data() + IconSlotOffset(kind, index), 0xFF, IconSlotSize(kind));
    std::memset(m_payload.data() + IconRecordOffset(kind, index), 0xFF, kRecordSize);
}

int IconFile::PrepareForSave() {
    std::uint8_t* p = m_payload.data();
    std::memset(p + kIconDirectorySize, 0xFF, kSlotsStart - kIconDirectorySize);
    std::memset(p + kTailFillerStart, 0xFF, kIconPayloadSize - kTailFillerStart);
    std::memset(p + kLayouts[ICON_DEVICE].indexList, 0xFF, 40);

    std::uint32_t devices = 0;
    for (int i = 0; i < kDeviceCount; ++i) {
        const std::uint32_t dev = ReadLe32(p + IconRecordOffset(ICON_DEVICE, i));
        const std::uint32_t sel = ReadLe32(p + IconRecordOffset(ICON_DEVSEL, i));
        if (dev != sel)
            return i + 1;
        if (dev == ICON_RECORD_MAGIC) {
            p[kLayouts[ICON_DEVICE].indexList + devices] = static_cast<std::uint8_t>(i);
            p[kLayouts[ICON_DEVSEL].indexList + devices] = static_cast<std::uint8_t>(i);
            ++devices;
        } else {
            RemoveIcon(ICON_DEVICE, i);
            RemoveIcon(ICON_DEVSEL, i);
        }
    }
    std::memset(p + kLayouts[ICON_KEY].indexList, 0xFF, kKeyCount);
    std::uint32_t keys = 0;
    for (int k = 0; k < kKeyCount; ++k) {
        if (HasIcon(ICON_KEY, k)) {
            p[kLayouts[ICON_KEY].indexList + keys] = static_cast<std::uint8_t>(k);
            ++keys;
        } else {
            RemoveIcon(ICON_KEY, k);
        }
    }
    WriteLe32(p + kCountsOffset, devices);
    WriteLe32(p + kCountsOffset + 4, devices);
    WriteLe32(p + kCountsOffset + 8, keys);
    WriteLe16(p + 6,
              CrcCompute(CrcSelect(2), p + 8, static_cast<std::int32_t>(kIconDirectorySize - 8)));
    WriteLe32(p, DIRECTORY_MAGIC);
    WriteLe16(p + 4, static_cast<std::uint16_t>(kIconDirectorySize));
    return 0;
}

IconMessage IconFile::PairingMessage(int device) {
    return {Format(kIconPairingText, device), kInvalidDeviceIconCaption};
}

std::optional<std::vector<std::uint8_t>> IconFile::BuildIconFileBytes(RandomSource& random) {
    IconSeed seed{};
    if (!random.Fill(seed))
        return std::nullopt;
    ImageHeader header = m_header;
    std::uint8_t* h = header.bytes().data();
    const std::uint16_t c =
        CrcCompute(CrcSelect(2), m_payload.data(), static_cast<std::int32_t>(kIconPayloadSize));
    h[kCheckWordOffset + 0] = static_cast<std::uint8_t>(c >> 8);
    h[kCheckWordOffset + 1] = static_cast<std::uint8_t>(c);
    h[kCheckWordOffset + 2] = 0;
    h[kCheckWordOffset + 3] = 0;
    std::memcpy(h + kKindTagOffset, "29VK", 4);
    WriteLe32(h + kParam1Offset, 0);
    WriteLe32(h + kParam2Offset, 0);
    WriteLe32(h + kTotalLengthOffset, kIconFileLength);
    std::memcpy(h + kFormatTagOffset, "03IU", 4);
    WriteLe32(h + kAddressWordOffset, kUploadAddressWord);
    std::memcpy(h + kTrailerTagOffset, "UI30", 4);
    WriteLe32(h + kFormatWordOffset, kFormatWordValue);
    std::memcpy(h + kCompleteMarkOffset, kCompleteMarkDone.data(), kCompleteMarkSize);
    std::memcpy(h + kHeadBlockOffset, seed.data(), kIconSeedSize);

    std::vector<std::uint8_t> file(kIconFileLength);
    std::memcpy(file.data(), h, kImageHeaderSize);
    std::memcpy(file.data() + kImageHeaderSize, m_payload.data(), kIconPayloadSize);
    ScramblePayload(MakeScrambleTable(seed.data()), file.data() + kImageHeaderSize);
    m_header = header;
    return file;
}

std::optional<FileError> IconFile::WriteIconFile(FileSystem& fs, const std::string& path,
                                                 RandomSource& random) {
    const ImageHeader before = m_header;
    auto file = BuildIconFileBytes(random);
    if (!file)
        return FileError{path, errno != 0 ? errno : EIO, "the random source failed"};
    FileError error;
    if (!WriteWholeFile(fs, path, {std::span<const std::uint8_t>(*file)}, &error)) {
        m_header = before;
        return error;
    }
    return std::nullopt;
}

std::optional<IconMessage> IconFile::ReadIconFileBytes(const std::uint8_t* data, std::size_t size) {
    if (size != kIconFileLength) {
        return IconMessage{Format(kIconFileSizeText, static_cast<long long>(kIconFileLength),
                                  static_cast<long long>(size)),
                           kInvalidIconFileCaption};
    }
    if (CheckIconEditorHeader(data, size) != HeaderCheck::Ok) {
        return IconMessage{kIconHeaderCorruptedText, kInvalidIconFileCaption};
    }
    std::vector<std::uint8_t> payload(data + kImageHeaderSize, data + kIconFileLength);
    UnscramblePayload(MakeScrambleTable(data + kHeadBlockOffset), payload.data());
    m_header = ImageHeader::FromBytes(data, kImageHeaderSize);
    m_payload = std::move(payload);
    return std::nullopt;
}

std::optional<IconMessage> IconFile::ReadIconFile(FileSystem& fs, const std::string& path) {
    FileError error;
    const std::unique_ptr<InputFile> input = fs.OpenRead(path, &error);
    if (!input)
        return IconMessage{error.Text(), kInvalidIconFileCaption};
    const std::int64_t size = input->Length();
    if (size != static_cast<std::int64_t>(kIconFileLength)) {
        // Refused on its length alone; nothing is read.
        return IconMessage{Format(kIconFileSizeText, static_cast<long long>(kIconFileLength),
                                  static_cast<long long>(size)),
                           kInvalidIconFileCaption};
    }
    std::vector<std::uint8_t> file(kIconFileLength);
    if (!input->ReadAt(0, file.data(), file.size())) {
        return IconMessage{FileError{path, errno != 0 ? errno : EIO, {}}.Text(),
                           kInvalidIconFileCaption};
    }
    return ReadIconFileBytes(file.data(), file.size());
}

}  // namespace vanto

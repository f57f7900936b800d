#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "formats/crc16.h"
#include "formats/posix_file_system.h"
#include "iconedit/icon_file.h"

namespace vanto {
namespace {

using FixedRandom = CountingRandomSource;

class FailingRandom : public RandomSource {
public:
    bool Fill(std::span<std::uint8_t>) override { return false; }
};

std::vector<std::uint8_t> FakePng(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> png(n);
    for (auto& b : png)
        b = static_cast<std::uint8_t>(rng());
    if (n >= 4)
        std::memcpy(png.data(), "\x89PNG", 4);
    return png;
}

std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "icons_" + name;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

bool AllBytes(const std::uint8_t* p, std::size_t n, std::uint8_t v) {
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] != v)
            return false;
    }
    return true;
}

TEST(IconFile, EmptySetSavesAsFillerWithAnEmptyDirectory) {
    IconFile icons;
    ASSERT_EQ(icons.PrepareForSave(), 0);
    FixedRandom random(0x40);
    const auto file = icons.BuildIconFileBytes(random);
    ASSERT_TRUE(file.has_value());
    ASSERT_EQ(file->size(), kIconFileLength);
    const std::uint8_t* p = icons.Payload().data();
    EXPECT_EQ(ReadLe32(p), DIRECTORY_MAGIC);
    EXPECT_EQ(ReadLe16(p + 4), 608);
    EXPECT_EQ(ReadLe32(p + 8), 0u);
    EXPECT_EQ(ReadLe32(p + 12), 0u);
    EXPECT_EQ(ReadLe32(p + 16), 0u);
    EXPECT_TRUE(AllBytes(p + 20, 520, 0xFF));                      // every record
    EXPECT_TRUE(AllBytes(p + 540, 65, 0xFF));                      // every index list entry
    EXPECT_TRUE(AllBytes(p + 605, 3, 0x00));                       // reserved, as in a new set
    EXPECT_TRUE(AllBytes(p + 608, kIconPayloadSize - 608, 0xFF));  // filler and every slot
    EXPECT_EQ(ReadLe16(p + 6), Crc16Of(2, p + 8, 600));

    const std::uint8_t* h = file->data();
    EXPECT_EQ(std::memcmp(h + 208, "29VK", 4), 0);
    EXPECT_EQ(ReadLe32(h + 212) | ReadLe32(h + 216), 0u);
    EXPECT_EQ(ReadLe32(h + 220), kIconFileLength);
    EXPECT_EQ(std::memcmp(h + 224, "03IU", 4), 0);
    const std::uint16_t c = Crc16Of(2, p, kIconPayloadSize);
    const std::uint8_t check[] = {static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c),
                                  0, 0};
    EXPECT_EQ(std::memcmp(h + 232, check, 4), 0);
    const std::uint8_t words[] = {0x00, 0x00, 0x06, 0x63, 'U',  'I',
                                  '3',  '0',  0x01, 0x02, 0x01, 0x00};
    EXPECT_EQ(std::memcmp(h + 496, words, 12), 0);
    EXPECT_EQ(std::memcmp(h + 512, "PROGRAMEXISTNE\0\0", 16), 0);
    for (std::size_t i = 0; i < 48; ++i)
        ASSERT_EQ(h[528 + i], 0x40 + i);
    EXPECT_TRUE(AllBytes(h, 208, 0));  // not loaded from a file: the rest stays zero

    std::vector<std::uint8_t> payload(file->begin() + 576, file->end());
    UnscramblePayload(MakeScrambleTable(h + 528), payload.data());
    EXPECT_TRUE(payload == icons.Payload());
}

TEST(IconFile, SetIconWritesSlotAndRecordAndTheLargestPngFits) {
    for (IconKind kind : {ICON_DEVICE, ICON_DEVSEL, ICON_KEY}) {
        SCOPED_TRACE(IconKindFilePrefix(kind));
        IconFile icons;
        const int last = IconSlotCount(kind) - 1;
        const auto png = FakePng(IconMaxPngSize(kind), 5);
        ASSERT_TRUE(icons.SetIcon(kind, last, png.data(), png.size()));
        EXPECT_TRUE(icons.HasIcon(kind, last));
        const auto bytes = icons.IconBytes(kind, last);
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), png.begin(), png.end()));
        const std::uint8_t* slot = icons.Payload().data() + IconSlotOffset(kind, last);
        EXPECT_EQ(ReadLe32(slot), png.size());
        const IconRecord r = icons.Record(kind, last);
        EXPECT_EQ(r.magic, ICON_RECORD_MAGIC);
        EXPECT_EQ(r.length, png.size());
        EXPECT_EQ(r.crc, Crc16Of(2, png.data(), png.size()));

        const auto tooBig = FakePng(IconMaxPngSize(kind) + 1, 6);
        EXPECT_FALSE(icons.SetIcon(kind, 0, tooBig.data(), tooBig.size()));
        EXPECT_FALSE(icons.HasIcon(kind, 0));
        EXPECT_FALSE(icons.SetIcon(kind, last + 1, png.data(), 10));

        const auto small = FakePng(100, 7);
        ASSERT_TRUE(icons.SetIcon(kind, last, small.data(), small.size()));
        EXPECT_TRUE(AllBytes(slot + 104, IconSlotSize(kind) - 104, 0xFF));  // old bytes gone
        icons.RemoveIcon(kind, last);
        EXPECT_FALSE(icons.HasIcon(kind, last));
        EXPECT_TRUE(AllBytes(slot, IconSlotSize(kind), 0xFF));
    }
}

TEST(IconFile, OnlyTheRecordMagicMarksAnIconPresent) {
    IconFile icons;
    const auto png = FakePng(300, 1);
    ASSERT_TRUE(icons.SetIcon(ICON_KEY, 4, png.data(), png.size()));
    std::uint8_t* rec = icons.Payload().data() + IconRecordOffset(ICON_KEY, 4);
    rec[3] = 0x56;  // 49 55 AA 56: length and CRC still look valid
    EXPECT_FALSE(icons.HasIcon(ICON_KEY, 4));
    EXPECT_TRUE(icons.IconBytes(ICON_KEY, 4).empty());
    rec[3] = 0x55;
    EXPECT_TRUE(icons.HasIcon(ICON_KEY, 4));
    // A record claiming more than its slot holds never reaches into the next slot.
    WriteLe16(rec + 4, 0xFFFF);
    EXPECT_EQ(icons.IconBytes(ICON_KEY, 4).size(), IconMaxPngSize(ICON_KEY));
}

TEST(IconFile, PairingIsCheckedDeviceByDevice) {
    IconFile icons;
    const auto png = FakePng(200, 2);
    for (int device : {0, 1}) {
        icons.SetIcon(ICON_DEVICE, device, png.data(), png.size());
        icons.SetIcon(ICON_DEVSEL, device, png.data(), png.size());
    }
    icons.SetIcon(ICON_DEVICE, 2, png.data(), png.size());  // device 3: no selection icon
    icons.SetIcon(ICON_DEVSEL, 6, png.data(), png.size());  // device 7: no device icon
    EXPECT_EQ(icons.PrepareForSave(), 3);
    const IconMessage m = IconFile::PairingMessage(3);
    EXPECT_EQ(m.text, "There is no device icon or device selection icon on device 3!");
    EXPECT_EQ(m.caption, "Invalid device icon!");
    // Devices 1 and 2 were passed and listed; nothing behind device 3 was touched.
    const std::uint8_t* p = icons.Payload().data();
    EXPECT_EQ(p[540], 0);
    EXPECT_EQ(p[541], 1);
    EXPECT_EQ(p[542], 0xFF);
    EXPECT_TRUE(icons.HasIcon(ICON_DEVSEL, 6));
    EXPECT_NE(ReadLe32(p), DIRECTORY_MAGIC);

    icons.RemoveIcon(ICON_DEVICE, 2);
    icons.RemoveIcon(ICON_DEVSEL, 2);
    EXPECT_EQ(icons.PrepareForSave(), 7);
    icons.SetIcon(ICON_DEVICE, 6, png.data(), png.size());
    EXPECT_EQ(icons.PrepareForSave(), 0);
}

TEST(IconFile, PrepareForSaveNormalisesTheDirectory) {
    IconFile icons;  // all zero: equal, non-magic records everywhere
    const auto png = FakePng(500, 3);
    for (int device : {4, 19}) {
        icons.SetIcon(ICON_DEVICE, device, png.data(), png.size());
        icons.SetIcon(ICON_DEVSEL, device, png.data(), png.size());
    }
    for (int key : {24, 0, 9})
        icons.SetIcon(ICON_KEY, key, png.data(), png.size());
    icons.Payload()[605] = 0x77;  // reserved bytes are kept
    ASSERT_EQ(icons.PrepareForSave(), 0);
    const std::uint8_t* p = icons.Payload().data();
    EXPECT_EQ(ReadLe32(p + 8), 2u);
    EXPECT_EQ(ReadLe32(p + 12), 2u);
    EXPECT_EQ(ReadLe32(p + 16), 3u);
    const std::uint8_t devices[] = {4, 19, 0xFF};
    EXPECT_EQ(std::memcmp(p + 540, devices, 3), 0);
    EXPECT_EQ(std::memcmp(p + 560, devices, 3), 0);
    const std::uint8_t keys[] = {0, 9, 24, 0xFF};
    EXPECT_EQ(std::memcmp(p + 580, keys, 4), 0);
    EXPECT_EQ(p[605], 0x77);
    EXPECT_TRUE(AllBytes(p + IconRecordOffset(ICON_DEVICE, 0), 8, 0xFF));
    EXPECT_TRUE(AllBytes(p + IconSlotOffset(ICON_KEY, 1), IconSlotSize(ICON_KEY), 0xFF));
    EXPECT_EQ(ReadLe16(p + 6), Crc16Of(2, p + 8, 600));
    EXPECT_TRUE(icons.HasIcon(ICON_DEVSEL, 19));
}

TEST(IconFile, ScrambleTableFollowsItsConstruction) {
    std::uint8_t seed[48];
    for (int i = 0; i < 48; ++i)
        seed[i] = static_cast<std::uint8_t>(i * 29 + 11);
    const ScrambleTable k = MakeScrambleTable(seed);
    EXPECT_EQ(std::memcmp(k.data(), seed, 48), 0);
    for (int m = 0; m < 16; ++m)
        EXPECT_EQ(k[48 + m], seed[m] ^ seed[16 + m] ^ seed[32 + m]);
    // Rows 1..7: the 512-bit block K[0..63] rotated left by r bits, checked bit by bit.
    auto bit = [&](int i) { return (k[(i / 8) % 64] >> (7 - i % 8)) & 1; };
    for (int r = 1; r <= 7; ++r) {
        for (int i = 0; i < 512; ++i) {
            const int got = (k[64 * r + i / 8] >> (7 - i % 8)) & 1;
            ASSERT_EQ(got, bit((i + r) % 512)) << r << " " << i;
        }
    }
    const int a = k[512], b = k[512 + 256];
    EXPECT_EQ(k[1024 + 5], k[5] ^ k[512 + (a + 5) % 512] ^ k[512 + (b + 256 + 5) % 512]);
}

TEST(IconFile, ScrambleRoundTripAndChaining) {
    std::vector<std::uint8_t> payload = FakePng(kIconPayloadSize, 9);
    const auto original = payload;
    std::uint8_t seed[48];
    for (int i = 0; i < 48; ++i)
        seed[i] = static_cast<std::uint8_t>(255 - i);
    ScramblePayload(MakeScrambleTable(seed), payload.data());
    EXPECT_NE(payload, original);
    // Block 1 is keyed by block 0's scrambled bytes: block 1 of the output, XORed with the
    // rotated scrambled block 0, gives the plain block back.
    const std::size_t o = payload[1];
    for (std::size_t j = 0; j < 2048; ++j) {
        ASSERT_EQ(payload[2048 + j] ^ payload[(o + 1 + j) % 2048], original[2048 + j]) << j;
    }
    UnscramblePayload(MakeScrambleTable(seed), payload.data());
    EXPECT_EQ(payload, original);
}

TEST(IconFile, SaveAndReadBack) {
    IconFile icons;
    const auto dev = FakePng(IconMaxPngSize(ICON_DEVICE), 11);
    const auto sel = FakePng(1234, 12);
    const auto key = FakePng(1, 13);
    icons.SetIcon(ICON_DEVICE, 2, dev.data(), dev.size());
    icons.SetIcon(ICON_DEVSEL, 2, sel.data(), sel.size());
    icons.SetIcon(ICON_KEY, 24, key.data(), key.size());
    ASSERT_EQ(icons.PrepareForSave(), 0);
    SystemRandomSource random;
    const std::string a = TempPath("a.vui");
    const std::string b = TempPath("b.vui");
    ASSERT_FALSE(icons.WriteIconFile(DefaultFileSystem(), a, random).has_value());
    ASSERT_FALSE(icons.WriteIconFile(DefaultFileSystem(), b, random).has_value());
    const auto fa = ReadFile(a);
    const auto fb = ReadFile(b);
    ASSERT_EQ(fa.size(), kIconFileLength);
    ASSERT_EQ(fb.size(), kIconFileLength);
    EXPECT_NE(std::memcmp(fa.data() + 528, fb.data() + 528, 48), 0);  // fresh seeds
    EXPECT_NE(std::memcmp(fa.data() + 576, fb.data() + 576, 4096), 0);
    EXPECT_EQ(std::memcmp(fa.data() + 232, fb.data() + 232, 4), 0);  // same CheckWord

    IconFile loaded;
    ASSERT_FALSE(loaded.ReadIconFile(DefaultFileSystem(), a).has_value());
    EXPECT_TRUE(loaded.Payload() == icons.Payload());
    EXPECT_EQ(std::memcmp(loaded.Header().data(), fa.data(), 576), 0);
    const auto got = loaded.IconBytes(ICON_DEVICE, 2);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), dev.begin(), dev.end()));
    EXPECT_EQ(loaded.IconBytes(ICON_KEY, 24).size(), 1u);
    std::remove(a.c_str());
    std::remove(b.c_str());
}

TEST(IconFile, RefusedFilesLeaveTheSetUntouched) {
    IconFile source;
    ASSERT_EQ(source.PrepareForSave(), 0);
    FixedRandom random(1);
    const auto good = *source.BuildIconFileBytes(random);

    IconFile editor;
    const auto png = FakePng(64, 4);
    editor.SetIcon(ICON_KEY, 3, png.data(), png.size());
    const auto payloadBefore = editor.Payload();
    const auto headerBefore = editor.Header().bytes();

    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::string text;
    };
    std::vector<Case> cases;
    cases.push_back({"one byte short", std::vector<std::uint8_t>(good.begin(), good.end() - 1),
                     "The file size is incorrect. (It should be 1049152 bytes, but it's 1049151 "
                     "bytes.)"});
    auto pending = good;
    std::memset(pending.data() + 512, 0xFF, 16);
    cases.push_back({"upload never verified", pending, "The file header is corrupted."});
    for (std::size_t at : {208u, 220u, 224u, 500u, 527u}) {
        auto bad = good;
        bad[at] ^= 0x01;
        cases.push_back({"header byte changed", bad, "The file header is corrupted."});
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = TempPath("refused.vui");
        WriteFile(path, c.bytes);
        const auto refused = editor.ReadIconFile(DefaultFileSystem(), path);
        ASSERT_TRUE(refused.has_value());
        EXPECT_EQ(refused->text, c.text);
        EXPECT_EQ(refused->caption, "Invalid user icon file!");
        EXPECT_TRUE(editor.Payload() == payloadBefore);
        EXPECT_TRUE(editor.Header().bytes() == headerBefore);
        std::remove(path.c_str());
    }
    const auto missing = editor.ReadIconFile(DefaultFileSystem(), TempPath("no-such.vui"));
    ASSERT_TRUE(missing.has_value());
    EXPECT_EQ(missing->caption, "Invalid user icon file!");
    EXPECT_TRUE(editor.HasIcon(ICON_KEY, 3));
}

TEST(IconFile, FailedWritesAreReportedAndLeaveNoFile) {
    IconFile icons;
    ASSERT_EQ(icons.PrepareForSave(), 0);
    const auto headerBefore = icons.Header().bytes();
    FixedRandom random(3);
    const std::string dir = TempPath("nodir/");
    EXPECT_TRUE(icons.WriteIconFile(DefaultFileSystem(), dir + "x.vui", random).has_value());
    EXPECT_TRUE(icons.Header().bytes() == headerBefore);

    FailingRandom failing;
    const std::string path = TempPath("norandom.vui");
    EXPECT_TRUE(icons.WriteIconFile(DefaultFileSystem(), path, failing).has_value());
    EXPECT_FALSE(std::filesystem::exists(path));

    // A full disk, through a private node of the full device (needs the right to make nodes):
    // the failure is reported and the node is written in place, never replaced by a file.
    const std::string full = TempPath("full");
    std::remove(full.c_str());
    if (::mknod(full.c_str(), S_IFCHR | 0666, ::makedev(1, 7)) == 0) {
        EXPECT_TRUE(icons.WriteIconFile(DefaultFileSystem(), full, random).has_value());
        struct stat st {};
        ASSERT_EQ(::stat(full.c_str(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode));
        std::remove(full.c_str());
    }
}

}  // namespace
}  // namespace vanto

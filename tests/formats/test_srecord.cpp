#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "formats/crc16.h"
#include "formats/image_header.h"
#include "formats/posix_file_system.h"
#include "formats/srecord.h"

namespace vanto {
namespace {

std::string Hex2(unsigned v) {
    char b[3];
    std::snprintf(b, sizeof b, "%02X", v & 0xFF);
    return b;
}

// An S3 record with a correct checksum.
std::string S3(std::uint32_t address, const std::uint8_t* data, std::size_t n) {
    std::string line = "S3" + Hex2(static_cast<unsigned>(n + 5));
    unsigned sum = static_cast<unsigned>(n + 5);
    for (int s = 24; s >= 0; s -= 8) {
        line += Hex2(address >> s);
        sum += (address >> s) & 0xFF;
    }
    for (std::size_t i = 0; i < n; ++i) {
        line += Hex2(data[i]);
        sum += data[i];
    }
    return line + Hex2(~sum) + "\n";
}

std::string S3(std::uint32_t address, const std::vector<std::uint8_t>& data) {
    return S3(address, data.data(), data.size());
}

const std::string kS0 = "S00600004844521B\n";
const std::string kS7 = "S70500000000FA\n";

// Application data of `n` bytes: a recognisable pattern with the tags and magic the records
// supply in a real image.
std::vector<std::uint8_t> AppData(std::size_t n) {
    std::vector<std::uint8_t> d(n);
    for (std::size_t i = 0; i < n; ++i)
        d[i] = static_cast<std::uint8_t>(i * 7 + 3);
    if (n >= 580) {
        std::memcpy(d.data() + 224, "03CR", 4);
        std::memcpy(d.data() + 500, "RC30", 4);
        WriteLe32(d.data() + 576, kApplicationMagic);
    }
    return d;
}

std::string ToS19(std::uint32_t start, const std::vector<std::uint8_t>& d, std::size_t per = 16) {
    std::string s = kS0;
    for (std::size_t i = 0; i < d.size(); i += per) {
        s += S3(static_cast<std::uint32_t>(start + i), d.data() + i, std::min(per, d.size() - i));
    }
    return s + kS7;
}

SRecordStatus Convert(const std::string& text, ByteBuffer& image) {
    // An exact-size heap copy, so the sanitizers see any read past the end.
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    return ConvertSRecords(bytes.data(), bytes.size(), image);
}

std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "srec_" + name;
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(SRecord, ConvertsAndWritesTheConverterFields) {
    auto data = AppData(3000);
    // Whatever the records hold in the converter's fields is replaced.
    for (std::size_t at : {208, 212, 216, 220, 232, 496, 504})
        std::memset(data.data() + at, 0xEE, 4);
    ByteBuffer image;
    ASSERT_EQ(Convert(ToS19(0x00408000, data), image), SRecordStatus::Ok);
    ASSERT_EQ(image.size(), 3000u);
    EXPECT_EQ(std::memcmp(image.data() + 208, "00VK", 4), 0);
    EXPECT_EQ(ReadLe32(image.data() + 212), 0x00408000u);
    EXPECT_EQ(ReadLe32(image.data() + 216), 0x00408000u);
    EXPECT_EQ(ReadLe32(image.data() + 220), 3000u);
    EXPECT_EQ(ReadLe32(image.data() + 496), 0x00408000u);
    EXPECT_EQ(ReadLe32(image.data() + 504), 0x00010201u);
    const std::uint16_t c2 = Crc16Of(2, image.data() + 512, image.size() - 512);
    const std::uint16_t c3 = Crc16Of(3, image.data() + 512, image.size() - 512);
    const std::uint8_t pair[] = {static_cast<std::uint8_t>(c2 >> 8), static_cast<std::uint8_t>(c2),
                                 static_cast<std::uint8_t>(c3 >> 8), static_cast<std::uint8_t>(c3)};
    EXPECT_EQ(std::memcmp(image.data() + 232, pair, 4), 0);
    // Every other byte is the records' own.
    for (std::size_t i = 0; i < image.size(); ++i) {
        const bool field = (i >= 208 && i < 224) || (i >= 232 && i < 236) ||
                           (i >= 496 && i < 500) || (i >= 504 && i < 508);
        if (!field) {
            ASSERT_EQ(image[i], data[i]) << i;
        }
    }
    EXPECT_TRUE(CheckApplicationImage(image.data(), image.size()));
}

TEST(SRecord, CrcPairCoversBytes512OnwardsOnly) {
    auto data = AppData(1024);
    ByteBuffer base;
    ASSERT_EQ(Convert(ToS19(0, data), base), SRecordStatus::Ok);
    auto changedLow = data;
    changedLow[300] ^= 0xFF;
    changedLow[511] ^= 0xFF;
    ByteBuffer low;
    ASSERT_EQ(Convert(ToS19(0, changedLow), low), SRecordStatus::Ok);
    EXPECT_EQ(std::memcmp(base.data() + 232, low.data() + 232, 4), 0);
    auto changedHigh = data;
    changedHigh[512] ^= 0x01;
    ByteBuffer high;
    ASSERT_EQ(Convert(ToS19(0, changedHigh), high), SRecordStatus::Ok);
    EXPECT_NE(std::memcmp(base.data() + 232, high.data() + 232, 2), 0);
    EXPECT_NE(std::memcmp(base.data() + 234, high.data() + 234, 2), 0);
}

TEST(SRecord, FirstLineMustBeS0OrS3) {
    const std::uint8_t d[4] = {1, 2, 3, 4};
    ByteBuffer image;
    EXPECT_EQ(Convert(S3(0x100, d, 4) + kS7, image), SRecordStatus::Ok);
    EXPECT_EQ(Convert("S1070100010203046E\n" + S3(0x100, d, 4), image), SRecordStatus::FormatError);
    std::string lower = S3(0x100, d, 4);
    lower[0] = 's';
    EXPECT_EQ(Convert(lower, image), SRecordStatus::FormatError);
    EXPECT_EQ(Convert("\n" + S3(0x100, d, 4), image), SRecordStatus::FormatError);
    EXPECT_EQ(Convert("", image), SRecordStatus::FormatError);
    EXPECT_EQ(Convert("S", image), SRecordStatus::FormatError);
    EXPECT_TRUE(image.empty());
}

TEST(SRecord, GapsAreZeroFilledAndTheEndRoundedToFour) {
    std::vector<std::uint8_t> sixteen(16, 0xAB);
    ByteBuffer image;
    ASSERT_EQ(Convert(S3(0x1000, sixteen) + S3(0x1020, sixteen) + kS7, image), SRecordStatus::Ok);
    ASSERT_EQ(image.size(), 48u);
    for (std::size_t i = 0; i < 48; ++i)
        EXPECT_EQ(image[i], (i >= 16 && i < 32) ? 0 : 0xAB) << i;

    auto data = AppData(1001);
    ASSERT_EQ(Convert(ToS19(0x2000, data, 32), image), SRecordStatus::Ok);
    ASSERT_EQ(image.size(), 1004u);
    EXPECT_EQ(ReadLe32(image.data() + 220), 1004u);
    EXPECT_EQ(image[1001] | image[1002] | image[1003], 0);
}

TEST(SRecord, LinesAfterS7AreNotRead) {
    auto data = AppData(700);
    ByteBuffer plain;
    ASSERT_EQ(Convert(ToS19(0, data), plain), SRecordStatus::Ok);
    const std::uint8_t more[4] = {9, 9, 9, 9};
    ByteBuffer extra;
    ASSERT_EQ(Convert(ToS19(0, data) + S3(0x1000, more, 4) + "not a record at all\n", extra),
              SRecordStatus::Ok);
    EXPECT_EQ(plain, extra);
}

TEST(SRecord, CountRecordsBlankLinesAndCarriageReturnsAreSkipped) {
    auto data = AppData(700);
    ByteBuffer plain;
    ASSERT_EQ(Convert(ToS19(0, data), plain), SRecordStatus::Ok);
    std::string text = ToS19(0, data);
    text.insert(text.size() - kS7.size(), "S5030030CC\n\n\r\nS6040000300B\n");
    std::string crlf;
    for (char c : text)
        crlf += (c == '\n' && (crlf.empty() || crlf.back() != '\r')) ? std::string("\r\n")
                                                                     : std::string(1, c);
    ByteBuffer image;
    ASSERT_EQ(Convert(text, image), SRecordStatus::Ok);
    EXPECT_EQ(image, plain);
    ASSERT_EQ(Convert(crlf, image), SRecordStatus::Ok);
    EXPECT_EQ(image, plain);
    // No line end after the last record.
    text = ToS19(0, data);
    text.resize(text.size() - kS7.size() - 1);
    ASSERT_EQ(Convert(text, image), SRecordStatus::Ok);
    EXPECT_EQ(image, plain);
}

TEST(SRecord, OverlappingRecordsLandAtTheirOwnAddress) {
    std::vector<std::uint8_t> a(16, 0x11), b(4, 0x22), c(4, 0x33);
    ByteBuffer image;
    // b starts inside a; c starts where b started. The end stays at a's end.
    ASSERT_EQ(Convert(S3(0x100, a) + S3(0x104, b) + S3(0x104, c) + kS7, image), SRecordStatus::Ok);
    ASSERT_EQ(image.size(), 16u);
    const std::vector<std::uint8_t> expected = {0x11, 0x11, 0x11, 0x11, 0x33, 0x33, 0x33, 0x33,
                                                0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11};
    EXPECT_EQ(image, expected);
}

TEST(SRecord, MalformedRecordsAreRefused) {
    const std::uint8_t d[4] = {1, 2, 3, 4};
    const std::string first = kS0 + S3(0x1000, d, 4);
    std::string longLine = S3(0x2000, std::vector<std::uint8_t>(200, 0x44));  // 421 characters
    longLine.insert(longLine.size() - 1, std::string(100, '0'));              // 521 > 511
    std::string shortLine = S3(0x2000, d, 4);
    shortLine.erase(shortLine.size() - 3, 2);  // checksum digits missing
    const struct {
        const char* name;
        std::string line;
    } cases[] = {
        {"count below 5", "S3040000200055\n"},
        {"count digit not hex", "S30G00002000010203040000\n"},
        {"address digit not hex", "S3090000X000010203040000\n"},
        {"data digit not hex", "S309000020000102030Z0000\n"},
        {"shorter than its count", shortLine},
        {"truncated in the address", "S30900002\n"},
        {"longer than 511 characters", longLine},
        {"address below the previous", S3(0x0FFF, d, 4)},
        {"an S1 record inside the file", "S1070100010203046E\n"},
        {"an S9 record", "S9030000FC\n"},
        {"text", "hello world\n"},
        {"lower-case s3 inside the file", "s30900002000010203040000\n"},
    };
    for (const auto& c : cases) {
        ByteBuffer image;
        EXPECT_EQ(Convert(first + c.line + kS7, image), SRecordStatus::FormatError) << c.name;
        EXPECT_TRUE(image.empty()) << c.name;
    }
    // A 511-character line is still a record.
    std::string maxLine = S3(0x2000, std::vector<std::uint8_t>(200, 0x44));
    maxLine.insert(maxLine.size() - 1, std::string(511 - (maxLine.size() - 1), '0'));
    ASSERT_EQ(maxLine.size(), 512u);
    ByteBuffer image;
    EXPECT_EQ(Convert(first + maxLine + kS7, image), SRecordStatus::Ok);
}

TEST(SRecord, ImagesPastTheLargestTransferAreRefused) {
    const std::uint8_t d[4] = {1, 2, 3, 4};
    ByteBuffer image;
    EXPECT_EQ(Convert(S3(0x00000000, d, 4) + S3(0xF0000000, d, 4) + kS7, image),
              SRecordStatus::TooLarge);
    EXPECT_TRUE(image.empty());
    // Ending exactly at the limit still rounds up past it.
    const auto last = static_cast<std::uint32_t>(kMaxImageBytes - 4);
    EXPECT_EQ(Convert(S3(0, d, 4) + S3(last, d, 4) + kS7, image), SRecordStatus::TooLarge);
    EXPECT_EQ(std::string(SRecordStatusText(SRecordStatus::TooLarge)), kS19TooLargeText);
    // The start address itself may be anywhere.
    EXPECT_EQ(Convert(S3(0xFFFFFFF8, d, 4) + S3(0xFFFFFFFC, d, 4) + kS7, image), SRecordStatus::Ok);
    EXPECT_EQ(image.size(), 8u);
}

TEST(SRecord, FileConversionMatchesAcrossReadChunks) {
    // Larger than the reader's chunk, records of varying length, so lines straddle chunk ends.
    auto data = AppData(1500000);
    std::string text = kS0;
    std::size_t i = 0;
    for (std::size_t k = 0; i < data.size(); ++k) {
        const std::size_t n = std::min<std::size_t>(1 + (k * 37) % 240, data.size() - i);
        text += S3(static_cast<std::uint32_t>(0x10000 + i), data.data() + i, n);
        i += n;
    }
    text += kS7;
    const std::string path = TempPath("chunks.s19");
    WriteText(path, text);
    ByteBuffer fromFile;
    ByteBuffer fromMemory;
    ASSERT_EQ(ConvertSRecordFile(DefaultFileSystem(), path, fromFile), SRecordStatus::Ok);
    ASSERT_EQ(Convert(text, fromMemory), SRecordStatus::Ok);
    EXPECT_EQ(fromFile, fromMemory);
    EXPECT_EQ(fromFile.size(), 1500000u);
    std::remove(path.c_str());
}

TEST(SRecord, LoadingAFileAsThePageDoes) {
    const std::string good = TempPath("app.S19");
    WriteText(good, ToS19(0x8000, AppData(2048)));
    ::chmod(good.c_str(), 0444);  // converting needs read access only
    ApplicationLoad load = LoadApplicationImage(DefaultFileSystem(), good);
    EXPECT_TRUE(load.valid);
    EXPECT_TRUE(load.conversionBox.empty());
    EXPECT_EQ(load.image.size(), 2048u);

    const std::string tooSmall = TempPath("small.s19");
    WriteText(tooSmall, ToS19(0x8000, AppData(576)));
    load = LoadApplicationImage(DefaultFileSystem(), tooSmall);
    EXPECT_EQ(load.conversion, SRecordStatus::Ok);
    EXPECT_FALSE(load.valid);
    EXPECT_TRUE(load.conversionBox.empty());
    EXPECT_TRUE(load.image.empty());

    const std::string bad = TempPath("bad.s19");
    WriteText(bad, "S1070100010203046E\n");
    load = LoadApplicationImage(DefaultFileSystem(), bad);
    EXPECT_FALSE(load.valid);
    EXPECT_EQ(load.conversionBox, kS19FormatErrorText);

    load = LoadApplicationImage(DefaultFileSystem(), TempPath("missing.s19"));
    EXPECT_FALSE(load.valid);
    EXPECT_EQ(load.conversionBox, kS19OpenErrorText);

    load = LoadApplicationImage(DefaultFileSystem(), ::testing::TempDir());
    EXPECT_FALSE(load.valid);
    EXPECT_TRUE(load.conversionBox.empty());  // no .s19 extension: not converted

    const std::string wrongExt = TempPath("app.s19.txt");
    WriteText(wrongExt, ToS19(0x8000, AppData(2048)));
    load = LoadApplicationImage(DefaultFileSystem(), wrongExt);
    EXPECT_FALSE(load.valid);
    EXPECT_TRUE(load.conversionBox.empty());

    EXPECT_TRUE(HasS19Extension("/a.b/FIRMWARE.S19"));
    EXPECT_FALSE(HasS19Extension("/a.s19/firmware"));
    EXPECT_FALSE(HasS19Extension("firmware.s190"));
    for (const auto& p : {good, tooSmall, bad, wrongExt})
        std::remove(p.c_str());
}

}  // namespace
}  // namespace vanto

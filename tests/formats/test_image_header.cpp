#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "formats/image_header.h"

namespace vanto {
namespace {

void Put(std::vector<std::uint8_t>& f, std::size_t at, const char* tag) {
    std::memcpy(f.data() + at, tag, 4);
}

std::vector<std::uint8_t> ValidFile(ImageKind kind, std::size_t size = 4096) {
    std::vector<std::uint8_t> f(size, 0x5A);
    switch (kind) {
        case ImageKind::Application:
            Put(f, 208, "00VK"), Put(f, 224, "03CR"), Put(f, 500, "RC30");
            WriteLe32(f.data() + 576, kApplicationMagic);
            break;
        case ImageKind::Database:
            Put(f, 208, "81VK"), Put(f, 224, "03CR"), Put(f, 500, "RC30");
            WriteLe32(f.data() + 576, kDatabaseMagic);
            break;
        case ImageKind::UserData:
            Put(f, 208, "09VK"), Put(f, 224, "03DU"), Put(f, 500, "UD30");
            break;
        case ImageKind::OneDevice:
            Put(f, 208, "19VK"), Put(f, 224, "03DD"), Put(f, 500, "DD30");
            break;
        case ImageKind::UserIcon:
            Put(f, 208, "29VK"), Put(f, 224, "03IU"), Put(f, 500, "UI30");
            WriteLe32(f.data() + 220, kIconFileLength);
            std::memcpy(f.data() + 512, kCompleteMarkDone.data(), 16);
            break;
    }
    return f;
}

constexpr ImageKind kAllKinds[] = {ImageKind::Application, ImageKind::Database, ImageKind::UserData,
                                   ImageKind::OneDevice, ImageKind::UserIcon};

TEST(ImageHeader, EachKindPassesOnlyItsOwnCheck) {
    for (ImageKind made : kAllKinds) {
        const auto f = ValidFile(made);
        for (ImageKind checked : kAllKinds) {
            EXPECT_EQ(CheckImageHeader(checked, f.data(), f.size()) == HeaderCheck::Ok,
                      made == checked)
                << ImageKindName(made) << " checked as " << ImageKindName(checked);
        }
    }
}

TEST(ImageHeader, ApplicationKindNumberRule) {
    struct Case {
        std::uint8_t b208, b209;
        bool passes;
    } cases[] = {
        {'4', '1', true},    // 14
        {'5', '1', false},   // 15
        {0x3A, '0', true},   // ':' '0' -> 10
        {'0', '0', true},    // 0
        {'/', '0', false},   // -1, compared unsigned
        {0x80, '0', false},  // signed byte: -176
    };
    for (const auto& c : cases) {
        auto f = ValidFile(ImageKind::Application);
        f[208] = c.b208;
        f[209] = c.b209;
        const int number = KindNumber(f.data());
        const bool expected = number >= 0 && number <= 14;
        EXPECT_EQ(expected, c.passes) << number;
        EXPECT_EQ(CheckImageHeader(ImageKind::Application, f.data(), f.size()) == HeaderCheck::Ok,
                  expected)
            << number;
    }
    std::uint8_t h[210] = {};
    h[208] = 0xF6;  // -10 as a signed byte
    h[209] = '7';
    EXPECT_EQ(KindNumber(h), (-10 - 0x30) + 70);
}

TEST(ImageHeader, ApplicationTagsAreTestedIndependently) {
    const char* formats[] = {"03CR", "13CR", "23CR"};
    const char* trailers[] = {"RC30", "RC31", "RC32"};
    for (const char* format : formats) {
        for (const char* trailer : trailers) {
            auto f = ValidFile(ImageKind::Application);
            Put(f, 224, format);
            Put(f, 500, trailer);
            const bool expected = std::string(format) != "23CR" && std::string(trailer) != "RC32";
            EXPECT_EQ(
                CheckImageHeader(ImageKind::Application, f.data(), f.size()) == HeaderCheck::Ok,
                expected)
                << format << " " << trailer;
        }
    }
    auto f = ValidFile(ImageKind::Application);
    f[211] = 'k';
    EXPECT_EQ(CheckImageHeader(ImageKind::Application, f.data(), f.size()),
              HeaderCheck::BadKindTag);
    f = ValidFile(ImageKind::Application);
    f[576] ^= 1;
    EXPECT_EQ(CheckImageHeader(ImageKind::Application, f.data(), f.size()), HeaderCheck::BadMagic);
}

TEST(ImageHeader, DatabaseKindTagDifferingInAnyByteFails) {
    for (std::size_t i = 0; i < 4; ++i) {
        auto f = ValidFile(ImageKind::Database);
        f[208 + i] ^= 0x20;
        EXPECT_EQ(CheckImageHeader(ImageKind::Database, f.data(), f.size()),
                  HeaderCheck::BadKindTag)
            << i;
    }
}

TEST(ImageHeader, TooShortFilesAreRefusedWithoutReadingPastTheEnd) {
    // Exact-size copies on the heap, so a read past the end shows under the sanitizers.
    for (ImageKind kind : kAllKinds) {
        const std::size_t minimum =
            (kind == ImageKind::Application || kind == ImageKind::Database) ? 580 : 576;
        const auto full = ValidFile(kind, minimum);
        EXPECT_EQ(CheckImageHeader(kind, full.data(), full.size()), HeaderCheck::Ok)
            << ImageKindName(kind);
        std::vector<std::uint8_t> shorter(full.begin(), full.end() - 1);
        EXPECT_EQ(CheckImageHeader(kind, shorter.data(), shorter.size()), HeaderCheck::TooShort);
    }
    EXPECT_EQ(CheckImageHeader(ImageKind::UserData, nullptr, 0), HeaderCheck::TooShort);
}

TEST(ImageHeader, IconEditorCheckIsStricterThanTheDownloadCheck) {
    auto f = ValidFile(ImageKind::UserIcon, kIconFileLength);
    EXPECT_EQ(CheckIconEditorHeader(f.data(), f.size()), HeaderCheck::Ok);

    std::memcpy(f.data() + 512, kCompleteMarkPending.data(), 16);  // upload never verified
    EXPECT_EQ(CheckImageHeader(ImageKind::UserIcon, f.data(), f.size()), HeaderCheck::Ok);
    EXPECT_EQ(CheckIconEditorHeader(f.data(), f.size()), HeaderCheck::NotCompleted);

    f = ValidFile(ImageKind::UserIcon, kIconFileLength);
    WriteLe32(f.data() + 220, kIconFileLength + 1);
    EXPECT_EQ(CheckImageHeader(ImageKind::UserIcon, f.data(), f.size()), HeaderCheck::Ok);
    EXPECT_EQ(CheckIconEditorHeader(f.data(), f.size()), HeaderCheck::BadTotalLength);

    f = ValidFile(ImageKind::UserIcon, kIconFileLength - 1);
    EXPECT_EQ(CheckIconEditorHeader(f.data(), f.size()), HeaderCheck::BadFileLength);
}

TEST(ImageHeader, UploadHeadersFromTheHeadValues) {
    UploadHeadValues job;
    job.headParam1 = 0x11223344;
    job.headParam2 = 5000;
    job.headParam3 = 0xA1B2C3D4;
    job.devParam1 = 0x700;
    job.devParam2 = 0x900;
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 16; ++j)
            job.names[i][j] = static_cast<std::uint8_t>(16 * i + j);
    }
    struct Case {
        ImageKind kind;
        const char* tags[3];
        std::uint32_t p1, p2;
    } cases[] = {
        {ImageKind::UserData, {"09VK", "03DU", "UD30"}, 0x11223344, 0x11223344},
        {ImageKind::OneDevice, {"19VK", "03DD", "DD30"}, 0x700, 0x900},
        {ImageKind::UserIcon, {"29VK", "03IU", "UI30"}, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ImageKindName(c.kind));
        const auto h = BuildUploadHeader(c.kind, job);
        ASSERT_TRUE(h.has_value());
        const std::uint8_t* b = h->data();
        EXPECT_EQ(h->KindTag(), c.tags[0]);
        EXPECT_EQ(h->FormatTag(), c.tags[1]);
        EXPECT_EQ(h->TrailerTag(), c.tags[2]);
        EXPECT_EQ(h->Param1(), c.p1);
        EXPECT_EQ(h->Param2(), c.p2);
        EXPECT_EQ(h->TotalLength(), 5576u);
        const std::uint8_t check[] = {0xD4, 0xC3, 0xB2, 0xA1};
        EXPECT_EQ(std::memcmp(b + 232, check, 4), 0);
        const std::uint8_t address[] = {0x00, 0x00, 0x06, 0x63};
        EXPECT_EQ(std::memcmp(b + 496, address, 4), 0);
        const std::uint8_t format[] = {0x01, 0x02, 0x01, 0x00};
        EXPECT_EQ(std::memcmp(b + 504, format, 4), 0);
        EXPECT_TRUE(h->IsPending());
        for (std::size_t i = 0; i < 48; ++i)
            EXPECT_EQ(b[528 + i], i);
        // Everything outside the written fields is zero.
        std::size_t nonzero = 0;
        for (std::size_t i = 0; i < 576; ++i) {
            const bool written =
                (i >= 208 && i < 228) || (i >= 232 && i < 236) || (i >= 496 && i < 508) || i >= 512;
            if (!written && b[i] != 0)
                ++nonzero;
        }
        EXPECT_EQ(nonzero, 0u);
        EXPECT_EQ(CheckImageHeader(c.kind, b, 576), HeaderCheck::Ok);

        ImageHeader done = *h;
        done.SetCompleted();
        EXPECT_TRUE(done.IsCompleted());
        EXPECT_EQ(std::memcmp(done.data() + 512, "PROGRAMEXISTNE\0\0", 16), 0);
    }
    EXPECT_FALSE(BuildUploadHeader(ImageKind::Application, job).has_value());
    EXPECT_FALSE(BuildUploadHeader(ImageKind::Database, job).has_value());
}

TEST(ImageHeader, TotalLengthDisagreeingWithTheRealLengthIsAccepted) {
    auto f = ValidFile(ImageKind::UserData, 1000);
    WriteLe32(f.data() + 220, 99999);
    EXPECT_EQ(CheckImageHeader(ImageKind::UserData, f.data(), f.size()), HeaderCheck::Ok);
    EXPECT_EQ(ImageHeader::FromBytes(f.data(), f.size()).TotalLength(), 99999u);
}

}  // namespace
}  // namespace vanto

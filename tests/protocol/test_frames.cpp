#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/frames.h"
#include "tools/engine_harness.h"

namespace vanto {
namespace {

using Builder = std::size_t (*)(std::uint8_t*);

ByteBuffer Built(std::uint8_t* buf, std::size_t n) {
    return ByteBuffer(buf, buf + n);
}

// For a whole frame, also checks the one table of frame lengths the receiver counts with.
void ExpectBytes(const std::string& expectedHex, const ByteBuffer& actual, bool whole = true) {
    const std::string diff = HexDiff(FromHex(expectedHex), actual);
    EXPECT_TRUE(diff.empty()) << diff;
    if (!whole)
        return;
    ASSERT_GT(actual.size(), 1u);
    const std::size_t tabled =
        actual[1] == FT_DATA ? ReadBe16(&actual[4]) + kDataFrameOverhead : FrameLength(actual[1]);
    EXPECT_EQ(tabled, actual.size()) << expectedHex;
}

TEST(Frames, BuildersMatchTheByteExamples) {
    std::uint8_t buf[kMaxDataFrameLen];
    ExpectBytes("0F 31 50 0E 6F", Built(buf, BuildRequest(buf, 'P')));
    ExpectBytes("0F 31 30 0E 0F", Built(buf, BuildRequest(buf, '0')));
    ExpectBytes("0F 31 51 0E 6E", Built(buf, BuildRequest(buf, 'Q')));
    ExpectBytes("0F 31 53 0E 6C", Built(buf, BuildRequest(buf, 'S')));
    ExpectBytes("0F 31 55 0E 6A", Built(buf, BuildRequest(buf, 'U')));
    ExpectBytes("0F 36 30 30 30 30 0E 38", Built(buf, BuildReply(buf, false)));
    ExpectBytes("0F 36 31 31 31 31 0E 38", Built(buf, BuildReply(buf, true)));
    ExpectBytes("0F 32 00 03 12 34 0E 19", Built(buf, BuildHeadShort(buf, 3, 0x1234)));
    ExpectBytes("0F 33 0E 3D", Built(buf, BuildStart(buf)));
    ExpectBytes("0F 35 0E 3B", Built(buf, BuildEnd(buf)));
    ExpectBytes("0F 15 0E 1B", Built(buf, BuildNak(buf)));
    ExpectBytes("0F 06 0E 08", Built(buf, BuildFinalAck(buf)));
    ExpectBytes("0F 37 00 05 06 06 0E 3C", Built(buf, BuildBlockAck(buf, 5, BLOCK_ACK_OK)));
    ExpectBytes("0F 37 00 05 15 15 0E 3C", Built(buf, BuildBlockAck(buf, 5, BLOCK_ACK_BAD)));
    const std::uint8_t abc[] = {0x61, 0x62, 0x63};
    ExpectBytes("0F 34 00 00 00 03 02 62 1C 61 62 63 1C 0E 39",
                Built(buf, BuildData(buf, 0, abc, 3)));
    ExpectBytes("0F 34 00 01 00 00 00 00 1C 1C 0E 3B", Built(buf, BuildData(buf, 1, nullptr, 0)));
}

TEST(Frames, FullDataFrameAndHeadLayout) {
    std::vector<std::uint8_t> data(2048);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 7 + 1);
    std::uint8_t buf[kMaxDataFrameLen];
    const std::size_t n = BuildData(buf, 0x1234, data.data(), data.size());
    ASSERT_EQ(n, 2060u);
    EXPECT_EQ(buf[4], 0x08);
    EXPECT_EQ(buf[5], 0x00);
    EXPECT_TRUE(CheckData(buf + 1, n - 1));

    HeadInfo h;
    h.kind = HK_ONEDEV;
    h.blockCount = 0x0102;
    h.checksum = 0xA0B0;
    h.value1 = 0x11223344;
    h.value2 = 0x55667788;
    h.value3 = 0x99AABBCC;
    h.names[0].fill('a');
    h.names[1].fill('b');
    h.names[2].fill('c');
    ASSERT_EQ(BuildHead(buf, h), kHeadFrameLen);
    ExpectBytes("0F 39 40 01 02 A0 B0 11 22 33 44 55 66 77 88 99 AA BB CC", Built(buf, 19), false);
    EXPECT_EQ(buf[19], 'a');
    EXPECT_EQ(buf[35], 'b');
    EXPECT_EQ(buf[66], 'c');
    EXPECT_EQ(buf[67], FRAME_END);
    EXPECT_TRUE(CheckHead(buf + 1, 68));
    const HeadInfo back = ParseHead(buf + 1);
    EXPECT_EQ(back.value2, h.value2);
    EXPECT_EQ(back.names, h.names);
}

// What the receiver tests and what it ignores.
TEST(Frames, ReceiveChecks) {
    struct Case {
        const char* name;
        const char* bodyHex;  // from the type byte
        bool (*check)(const std::uint8_t*, std::size_t);
        bool ok;
    };
    const Case cases[] = {
        {"request", "31 50 0E 6F", CheckRequest, true},
        {"request, any byte instead of the end byte", "31 50 77 16", CheckRequest, true},
        {"request, wrong check", "31 50 0E 6E", CheckRequest, false},
        {"start", "33 0E 3D", CheckShortFrame, true},
        {"start, end byte ignored", "33 00 33", CheckShortFrame, true},
        {"end, wrong check", "35 0E 3C", CheckShortFrame, false},
        {"ack", "37 00 05 06 06 0E 3C", CheckBlockAck, true},
        {"ack, damaged number", "37 00 04 06 06 0E 3C", CheckBlockAck, false},
        {"data", "34 00 00 00 03 02 62 1C 61 62 63 1C 0E 39", CheckData, true},
        {"data, trailing separator and end ignored", "34 00 00 00 03 02 62 1C 61 62 63 00 00 2B",
         CheckData, true},
        {"data, leading separator wrong", "34 00 00 00 03 02 62 1D 61 62 63 1C 0E 38", CheckData,
         false},
        {"data, checksum wrong", "34 00 00 00 03 02 63 1C 61 62 63 1C 0E 38", CheckData, false},
        {"data, check byte wrong", "34 00 00 00 03 02 62 1C 61 62 63 1C 0E 3A", CheckData, false},
        {"data, length beyond the bytes", "34 00 00 00 09 02 62 1C 61 62 63 1C 0E 33", CheckData,
         false},
    };
    for (const auto& c : cases) {
        const ByteBuffer body = FromHex(c.bodyHex);
        EXPECT_EQ(c.check(body.data(), body.size()), c.ok) << c.name;
    }
}

TEST(Frames, RequestClasses) {
    for (int c = 0; c < 256; ++c) {
        const auto b = static_cast<std::uint8_t>(c);
        const bool down = (c >= '0' && c <= '9') || c == 'P' || c == 'R' || c == 'T' || c == 'V';
        const bool up = c == 'Q' || c == 'S' || c == 'U';
        EXPECT_EQ(IsDownloadRequest(b), down) << c;
        EXPECT_EQ(IsUploadRequest(b), up) << c;
        EXPECT_EQ(IsHeadKind(b), c == '?' || c == '@' || c == 'A') << c;
    }
}

}  // namespace
}  // namespace vanto

// The queue that holds received bytes and timer expiries while the engine may not act: arrival
// order, the byte bound, the frames a pause keeps, and timer expiries that are never lost.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/hold_queue.h"

namespace vanto {
namespace {

constexpr std::size_t kMax = HoldQueue::kMaxBytes;
constexpr std::uint8_t kStart = 0x0F;

struct Op {
    char kind;          // 'B' bytes, 'T' timer expiry, 'P' pause begins, 'C' consume
    std::size_t count;  // 'B': how many bytes; 'C': how many bytes of the front run
    char fill;          // 'B': the byte value; 'T': the timer id
    std::size_t drops;  // bytes the operation must report dropped
};

struct HoldCase {
    const char* name;
    std::vector<Op> ops;
    // What the queue hands back afterwards, a run as its byte and length ("a3"), a timer as "T"
    // and its id and generation ("T1g2").
    std::vector<std::string> drained;
};

void PrintTo(const HoldCase& c, std::ostream* os) {
    *os << c.name;
}

Op Bytes(std::size_t n, char c, std::size_t drops = 0) {
    return {'B', n, c, drops};
}
Op Timer(char id, std::size_t generation = 1) {
    return {'T', generation, id, 0};
}
Op Pause(std::size_t drops = 0) {
    return {'P', 0, 0, drops};
}
Op Take(std::size_t n) {
    return {'C', n, 0, 0};
}

// Runs of equal bytes are reported together; a run that ends or a timer starts a new entry. The
// frame start byte is written S.
std::vector<std::string> DrainAll(HoldQueue& q) {
    std::vector<std::string> out;
    char last = 0;
    std::size_t run = 0;
    auto flush = [&] {
        if (run != 0)
            out.push_back(std::string(1, last) + std::to_string(run));
        run = 0;
    };
    while (!q.Empty()) {
        const HoldQueue::Event e = q.Front();
        if (e.timer >= 0) {
            flush();
            out.push_back("T" + std::to_string(e.timer) + "g" + std::to_string(e.generation));
            q.Consume(0);
            continue;
        }
        for (std::size_t i = 0; i < e.length; ++i) {
            const char c = e.bytes[i] == kStart ? 'S' : static_cast<char>(e.bytes[i]);
            if (c != last)
                flush();
            last = c;
            ++run;
        }
        q.Consume(e.length);
    }
    flush();
    return out;
}

class Hold : public ::testing::TestWithParam<HoldCase> {};

TEST_P(Hold, HandsBackWhatTheBoundsKeep) {
    const HoldCase& c = GetParam();
    HoldQueue q;
    for (std::size_t i = 0; i < c.ops.size(); ++i) {
        const Op& op = c.ops[i];
        std::size_t dropped = 0;
        switch (op.kind) {
            case 'B': {
                const std::vector<std::uint8_t> bytes(
                    op.count, op.fill == 'S' ? kStart : static_cast<std::uint8_t>(op.fill));
                dropped = q.PushBytes(bytes.data(), bytes.size());
                break;
            }
            case 'T':
                q.PushTimer(op.fill, static_cast<std::uint32_t>(op.count));
                break;
            case 'P':
                dropped = q.BeginPause();
                break;
            default:
                q.Consume(op.count);
                break;
        }
        EXPECT_EQ(dropped, op.drops) << c.name << " op " << i;
    }
    EXPECT_EQ(DrainAll(q), c.drained) << c.name;
    EXPECT_EQ(q.Size(), 0u);
}

const HoldCase kHoldCases[] = {
    {"ArrivalOrderWithTimersBetweenRuns",
     {Bytes(3, 'a'), Timer(1), Bytes(2, 'b'), Bytes(2, 'c'), Timer(2)},
     {"a3", "T1g1", "b2", "c2", "T2g1"}},
    {"PartlyConsumedRunGoesOnWhereItStopped",
     {Bytes(5, 'a'), Take(2), Bytes(1, 'b')},
     {"a3", "b1"}},
    {"OverTheBoundTheOldestBytesGo",
     {Bytes(10, 'a'), Bytes(kMax - 10, 'b'), Bytes(8, 'c', 8)},
     {"a2", "b" + std::to_string(kMax - 10), "c8"}},
    {"ARunLargerThanTheBoundKeepsItsNewestBytes",
     {Bytes(7, 'a'), Bytes(kMax + 3, 'b', 10)},
     {"b" + std::to_string(kMax)}},
    {"TimerExpiriesOutliveTheBytesAroundThem",
     {Bytes(kMax, 'a'), Timer(3), Bytes(kMax, 'b', kMax)},
     {"T3g1", "b" + std::to_string(kMax)}},
    {"ALaterExpiryOfTheSameTimerReplacesTheEarlier",
     {Timer(4, 1), Bytes(1, 'a'), Timer(4, 7)},
     {"T4g7", "a1"}},
    // A pause keeps the two newest frames held (S: a start byte) and drops what is older.
    {"APauseKeepsTheNewestTwoFrames",
     {Bytes(1, 'S'), Bytes(2, 'a'), Timer(5), Bytes(1, 'S'), Bytes(2, 'b'), Bytes(1, 'S'),
      Bytes(2, 'c'), Pause(3), Bytes(1, 'S'), Bytes(2, 'd'), Pause(3), Pause()},
     {"T5g1", "S1", "c2", "S1", "d2"}},
    {"TwoFramesStayAcrossAPauseWithoutTheBytesBeforeThem",
     {Bytes(3, 'a'), Bytes(1, 'S'), Bytes(4, 'b'), Pause(), Bytes(1, 'S'), Pause(3)},
     {"S1", "b4", "S1"}},
    // Many small pushes and takes wrap the buffer's front around again and again.
    {"LongStreamStaysInOrder",
     {Bytes(kMax - 1, 'a'), Take(kMax - 2), Bytes(kMax - 1, 'b'), Take(kMax - 1),
      Bytes(kMax / 2 - 1, 'c'), Bytes(kMax / 2, 'd')},
     {"b1", "c" + std::to_string(kMax / 2 - 1), "d" + std::to_string(kMax / 2)}},
};

INSTANTIATE_TEST_SUITE_P(Cases, Hold, ::testing::ValuesIn(kHoldCases),
                         [](const ::testing::TestParamInfo<HoldCase>& i) {
                             return std::string(i.param.name);
                         });

}  // namespace
}  // namespace vanto

#pragma once
// Helpers shared by the exchange tests: notification lists as text, frame lists as hex.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/engine_harness.h"
#include "tools/sample_data.h"

namespace vanto::testing {

inline std::string Describe(const Notification& n) {
    switch (n.code) {
        case TN_SET_MESSAGE:
            return "SET " + n.text;
        case TN_PROGRESS_RANGE:
            return "RANGE";
        case TN_PROGRESS_POS:
            return "POS " + std::to_string(n.value);
        case TN_HEAD_RECEIVED:
            return "HEAD";
        case TN_RECEIVE_COMPLETE:
            return "COMPLETE";
        case TN_BLOCK_RECEIVED:
            return "BLOCK " + std::to_string(n.block);
        case TN_VERIFY_RECEIVED:
            return "VERIFY";
        case TN_TRANSFER_END:
            return "END";
        case TN_RELOAD_FILE:
            return "RELOAD";
        default:
            return "code " + std::to_string(n.code);
    }
}

inline std::vector<std::string> Describe(const std::vector<Notification>& notes) {
    std::vector<std::string> out;
    for (const auto& n : notes)
        out.push_back(Describe(n));
    return out;
}

// Time of the first notification matching `text` (as Describe gives it), or -1.
inline std::int64_t TimeOf(const RecordingPage& page, const std::string& what) {
    for (const auto& n : page.Notes())
        if (Describe(n) == what)
            return n.atMs;
    return -1;
}

inline void ExpectFrame(const std::string& expectedHex, const SentFrame& actual,
                        const std::string& what) {
    const std::string diff = HexDiff(FromHex(expectedHex), actual.bytes);
    EXPECT_TRUE(diff.empty()) << what << ": " << diff;
}

inline void ExpectFrame(const ByteBuffer& expected, const SentFrame& actual,
                        const std::string& what) {
    const std::string diff = HexDiff(expected, actual.bytes);
    EXPECT_TRUE(diff.empty()) << what << ": " << diff;
}

using vanto::Pattern;

inline ByteBuffer DataFrame(int block, const std::uint8_t* data, std::size_t len) {
    ByteBuffer f(len + kDataFrameOverhead);
    BuildData(f.data(), static_cast<std::uint16_t>(block), data, len);
    return f;
}

inline ByteBuffer AckFrame(int block, std::uint8_t code = BLOCK_ACK_OK) {
    ByteBuffer f(kBlockAckFrameLen);
    BuildBlockAck(f.data(), static_cast<std::uint16_t>(block), code);
    return f;
}

}  // namespace vanto::testing

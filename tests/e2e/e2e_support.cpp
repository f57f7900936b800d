#include "tests/e2e/e2e_support.h"

#include <algorithm>
#include <cstring>

namespace vanto::e2e {

std::string Hex(const std::uint8_t* bytes, std::size_t n) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < n; ++i) {
        if (i != 0) {
            text.push_back(' ');
        }
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return text;
}

std::string Hex(const ByteBuffer& bytes) {
    return Hex(bytes.data(), bytes.size());
}

std::string TraceFrame(const std::string& line, const char* dir) {
    if (line.rfind("trace: ", 0) != 0) {
        return {};
    }
    const std::string marker = std::string(" ") + dir + " ";
    const std::size_t at = line.find(marker);
    return at == std::string::npos ? std::string() : line.substr(at + marker.size());
}

std::function<bool(const std::string&)> TraceStarts(const char* dir, std::string hexPrefix) {
    return [dir, prefix = std::move(hexPrefix)](const std::string& line) {
        return TraceFrame(line, dir).rfind(prefix, 0) == 0;
    };
}

long long MsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

void ServeTest::SetUp() {
    runner = std::make_unique<RealtimeRemoteRunner>(Path("remote"));
    ASSERT_TRUE(runner->Plug()) << "no pseudo-terminal";
}

void ServeTest::StartServe(std::vector<std::string> args) {
    args.insert(args.begin(), "serve");
    args.push_back("--link");
    args.push_back("tty:" + Path("remote"));
    ASSERT_TRUE(serve.Start(VANTO_BINARY, args)) << VANTO_BINARY;
    const auto connected = serve.WaitText(kErr, kStatusConnected, std::chrono::seconds(10));
    ASSERT_TRUE(connected) << serve.Transcript();
}

void ServeTest::ExpectLine(const std::optional<ChildProcess::Line>& line, ChildProcess& child,
                           const std::string& what) {
    EXPECT_TRUE(line.has_value()) << "missing: " << what << "\n" << child.Transcript();
}

}  // namespace vanto::e2e

#pragma once
// Shared pieces of the end-to-end tests: the serving program with the simulated remote behind a
// pseudo-terminal, trace-line parsing and the expected upload header.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "protocol/frames.h"
#include "protocol/transfer_job.h"
#include "tests/pages/page_test_support.h"
#include "tools/child_process.h"
#include "tools/realtime_remote_runner.h"

namespace vanto::e2e {

using test::UploadHead;
using test::UploadHeader;

using Clock = ChildProcess::Clock;
constexpr ChildProcess::Stream kOut = ChildProcess::kOut;
constexpr ChildProcess::Stream kErr = ChildProcess::kErr;
constexpr auto kStatusConnected = "status:  DEVICE : CONNECTED";
constexpr auto kStatusDisconnected = "status:  DEVICE : DISCONNECTED";

// "0F 31 50 0E 5E"
std::string Hex(const std::uint8_t* bytes, std::size_t n);
std::string Hex(const ByteBuffer& bytes);
// The frame of a trace line sent in direction `dir` ("PC>RC" or "RC>PC") as hex, or empty.
std::string TraceFrame(const std::string& line, const char* dir);
// A predicate: a trace line in direction `dir` whose frame starts with `hexPrefix`.
std::function<bool(const std::string&)> TraceStarts(const char* dir, std::string hexPrefix);
long long MsBetween(Clock::time_point from, Clock::time_point to);

// A temporary folder, the simulated remote behind `DIR/remote`, and the serving program.
class ServeTest : public ::testing::Test {
protected:
    void SetUp() override;

    // Starts `serve ARGS --link tty:DIR/remote` and waits until it reports the device.
    void StartServe(std::vector<std::string> args);
    std::string Path(const std::string& name) const { return dir.Path(name); }
    // Fails the test (with the program's output) when `line` is missing.
    static void ExpectLine(const std::optional<ChildProcess::Line>& line, ChildProcess& child,
                           const std::string& what);

    test::TempDir dir;
    std::unique_ptr<RealtimeRemoteRunner> runner;
    ChildProcess serve;
};

}  // namespace vanto::e2e

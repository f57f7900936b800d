#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/device_poll.h"

namespace vanto {
namespace {

// A link whose presence, open failures and reader end the test sets.
class FakeLink : public DeviceLink {
public:
    bool present = false;
    bool openFails = false;
    bool running = false;
    int opens = 0;     // OpenLink calls that started a reader
    int attempts = 0;  // every OpenLink call

    bool IsPresent() override { return present; }
    OpenResult OpenLink(const LinkCallbacks& callbacks) override {
        ++attempts;
        if (running) {
            return OpenResult::kAlreadyRunning;
        }
        if (openFails) {
            return OpenResult::kFailed;
        }
        running = true;
        ++opens;
        lastCallbacks = callbacks;
        return OpenResult::kStarted;
    }
    WriteReport WriteLink(const std::uint8_t*, std::size_t) override {
        WriteReport report;
        report.queued = running;
        return report;
    }
    void Close() override { running = false; }
    // The reader's read failed, as on unplugging.
    void EndReader() {
        running = false;
        if (lastCallbacks.onReaderEnd) {
            lastCallbacks.onReaderEnd();
        }
    }

    LinkCallbacks lastCallbacks;
};

class DevicePollTest : public testing::Test {
protected:
    FakeLink link;
    std::vector<std::string> shown;
    int readerEnds = 0;
    DevicePoll poll{link, [this](const std::string& text) { shown.push_back(text); },
                    LinkCallbacks{nullptr, [this] { ++readerEnds; }}};
};

TEST_F(DevicePollTest, PlugInUnplugAndPlugInAgain) {
    poll.PollDevice();
    poll.PollDevice();
    EXPECT_EQ(shown, (std::vector<std::string>{" DEVICE : DISCONNECTED"}));
    EXPECT_EQ(link.attempts, 0);  // nothing is opened while the remote is away

    link.present = true;
    poll.PollDevice();
    EXPECT_EQ(shown.back(), " DEVICE : CONNECTED");
    EXPECT_EQ(link.opens, 1);
    EXPECT_EQ(poll.LastOpenResult(), OpenResult::kStarted);
    for (int i = 0; i < 5; ++i) {
        poll.PollDevice();
    }
    EXPECT_EQ(link.opens, 1);  // no second reader
    EXPECT_EQ(poll.LastOpenResult(), OpenResult::kAlreadyRunning);
    EXPECT_EQ(shown.size(), 2u);  // the same text is not set again

    link.present = false;
    link.EndReader();
    EXPECT_EQ(readerEnds, 1);  // the poll's callbacks reached the link
    poll.PollDevice();
    EXPECT_EQ(shown.back(), " DEVICE : DISCONNECTED");

    link.present = true;
    poll.PollDevice();
    EXPECT_EQ(shown, (std::vector<std::string>{" DEVICE : DISCONNECTED", " DEVICE : CONNECTED",
                                               " DEVICE : DISCONNECTED", " DEVICE : CONNECTED"}));
    EXPECT_EQ(link.opens, 2);
    EXPECT_TRUE(link.running);
}

TEST_F(DevicePollTest, PresentButChannelsFailKeepsRetryingWhileConnected) {
    link.present = true;
    link.openFails = true;
    for (int i = 0; i < 3; ++i) {
        poll.PollDevice();
    }
    EXPECT_EQ(shown, (std::vector<std::string>{" DEVICE : CONNECTED"}));
    EXPECT_EQ(link.attempts, 3);
    EXPECT_EQ(link.opens, 0);
    EXPECT_EQ(poll.LastOpenResult(), OpenResult::kFailed);

    link.openFails = false;
    poll.PollDevice();
    EXPECT_EQ(link.opens, 1);
    EXPECT_EQ(poll.StatusText(), " DEVICE : CONNECTED");
}

TEST_F(DevicePollTest, ReaderEndsWhileTheDeviceStaysReopensAtTheNextPoll) {
    link.present = true;
    poll.PollDevice();
    link.EndReader();  // a read error without unplugging
    poll.PollDevice();
    EXPECT_EQ(link.opens, 2);
    EXPECT_EQ(shown.size(), 1u);
}

}  // namespace
}  // namespace vanto

// The libusb path against a device emulated by umockdev (sysfs, device node and usbfs ioctls).
// The ctest `test_link_umockdev` runs these under umockdev-run with VANTO_UMOCKDEV set; elsewhere
// they skip. remote-1a2b-3c4d.umockdev describes a remote 1a2b:3c4d whose interface 0 has bulk IN
// 0x81 and bulk OUT 0x01 (64-byte packets). umockdev's usbfs replay cannot serve a reader's bulk
// transfers (one URB in flight at most, no URB discard), so transfers are not exercised here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "link/usb_link.h"

namespace vanto {
namespace {

class UsbLinkUmockdev : public testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("VANTO_UMOCKDEV")) {
            GTEST_SKIP() << "runs under umockdev-run only (ctest test_link_umockdev)";
        }
    }
};

TEST_F(UsbLinkUmockdev, PresentOnlyWhenTheVendorProductIsListed) {
    std::vector<std::string> notices;
    auto sink = [&](const std::string& text) { notices.push_back(text); };
    UsbLink listed({{0x0001, 0x0001}, {0x1a2b, 0x3c4d}}, sink);
    EXPECT_TRUE(listed.IsPresent());
    UsbLink vendorOnly({{0x1a2b, 0x0000}}, sink);
    EXPECT_FALSE(vendorOnly.IsPresent());
    UsbLink none({}, sink);
    EXPECT_FALSE(none.IsPresent());
    EXPECT_TRUE(notices.empty());
}

TEST_F(UsbLinkUmockdev, UnmatchedDeviceIsNeverOpened) {
    UsbLink other({{0x1a2b, 0x3c4e}}, nullptr);
    EXPECT_EQ(other.OpenLink({}), OpenResult::kFailed);
    EXPECT_FALSE(other.IsReaderRunning());
    const std::uint8_t frame[] = {0x0F, 0x41, 0x0E};
    EXPECT_FALSE(other.WriteLink(frame, sizeof frame));
}

}  // namespace
}  // namespace vanto

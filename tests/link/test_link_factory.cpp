#include <gtest/gtest.h>

#include "link/link_factory.h"
#include "link/tty_link.h"

namespace vanto {
namespace {

TEST(ParseLinkOption, TheThreeForms) {
    LinkOption option;
    std::string error;
    ASSERT_TRUE(ParseLinkOption("usb", option, error)) << error;
    EXPECT_EQ(option.kind, LinkOption::Kind::kUsb);
    EXPECT_TRUE(option.usbIds.empty());

    ASSERT_TRUE(ParseLinkOption("usb:1a2b:3c4d,0001:0002", option, error)) << error;
    EXPECT_EQ(option.kind, LinkOption::Kind::kUsb);
    EXPECT_EQ(option.usbIds, (std::vector<UsbId>{{0x1a2b, 0x3c4d}, {0x0001, 0x0002}}));

    ASSERT_TRUE(ParseLinkOption("tty:/dev/pts/7", option, error)) << error;
    EXPECT_EQ(option.kind, LinkOption::Kind::kTty);
    EXPECT_EQ(option.ttyPath, "/dev/pts/7");
    EXPECT_EQ(option.ttyBaud, 0);
    EXPECT_TRUE(option.usbIds.empty());

    // A speed after the last '@'; an '@' without digits behind it belongs to the path.
    ASSERT_TRUE(ParseLinkOption("tty:/dev/null@9600", option, error)) << error;
    EXPECT_EQ(option.ttyPath, "/dev/null");
    EXPECT_EQ(option.ttyBaud, 9600);
    ASSERT_TRUE(ParseLinkOption("tty:/nonexistent/a@b", option, error)) << error;
    EXPECT_EQ(option.ttyPath, "/nonexistent/a@b");
    EXPECT_EQ(option.ttyBaud, 0);
}

TEST(ParseLinkOption, RefusesBadText) {
    struct Case {
        const char* text;
        const char* hint;  // part of the message
    };
    const Case cases[] = {{"", "Unknown link"},
                          {"USB", "Unknown link"},
                          {"usb:", "VID:PID"},
                          {"usb:1a2b", "VID:PID"},
                          {"usb:1a2b:3c4d,", "VID:PID"},
                          {"tty:", "tty:PATH"},
                          {"tty", "Unknown link"},
                          {"serial:/dev/ttyS0", "Unknown link"},
                          {"tty:/dev/ttyS0@12345", "line speed"},
                          {"tty:/dev/ttyS0@99999999999999", "line speed"},
                          {"tty:@9600", "tty:PATH"},
                          // Paths that exist but are no character device.
                          {"tty:/", "not a character device"},
                          {"tty:/proc/self/status", "not a character device"}};
    for (const Case& c : cases) {
        LinkOption option;
        option.ttyPath = "kept";
        std::string error;
        EXPECT_FALSE(ParseLinkOption(c.text, option, error)) << c.text;
        EXPECT_NE(error.find(c.hint), std::string::npos) << c.text << ": " << error;
        EXPECT_EQ(option.ttyPath, "kept") << c.text;
    }
}

TEST(MakeDeviceLink, TtyOptionGivesATtyLinkOnThatPath) {
    LinkOption option;
    option.kind = LinkOption::Kind::kTty;
    option.ttyPath = "/nonexistent/tty";
    const std::unique_ptr<DeviceLink> link = MakeDeviceLink(option, nullptr);
    const auto* tty = dynamic_cast<const TtyLink*>(link.get());
    ASSERT_NE(tty, nullptr);
    EXPECT_EQ(tty->Path(), "/nonexistent/tty");
    EXPECT_FALSE(link->IsPresent());
}

}  // namespace
}  // namespace vanto

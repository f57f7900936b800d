#include <gtest/gtest.h>

#include "link/udev_rule.h"
#include "link/usb_id.h"

namespace vanto {
namespace {

TEST(ParseUsbIdList, AcceptsHexPairsSeparatedByCommas) {
    struct Case {
        const char* text;
        std::vector<UsbId> ids;
    };
    const Case cases[] = {
        {"1a2b:3c4d", {{0x1a2b, 0x3c4d}}},
        {"FFFF:0000", {{0xffff, 0x0000}}},
        {"1:2", {{0x0001, 0x0002}}},
        {"abcd:Ef01,0483:5740", {{0xabcd, 0xef01}, {0x0483, 0x5740}}},
    };
    for (const Case& c : cases) {
        std::vector<UsbId> ids;
        std::string error;
        EXPECT_TRUE(ParseUsbIdList(c.text, ids, error)) << c.text << ": " << error;
        EXPECT_EQ(ids, c.ids) << c.text;
    }
}

TEST(ParseUsbIdList, RefusesBadTextAndLeavesTheListAlone) {
    const char* bad[] = {"",           ":",          "1a2b",       "1a2b:",      ":3c4d",
                         "1a2b:3c4d:", "1a2b3c4d",   "12345:1",    "1:12345",    "0x12:34",
                         "1a2g:0001",  " 1a2b:3c4d", "1a2b:3c4d ", "1a2b:3c4d,", ",1a2b:3c4d",
                         "1:2,,3:4",   "-1:2",       "+1:2",       "1a2b;3c4d"};
    for (const char* text : bad) {
        std::vector<UsbId> ids = {{1, 2}};
        std::string error;
        EXPECT_FALSE(ParseUsbIdList(text, ids, error)) << "'" << text << "'";
        EXPECT_NE(error.find("VID:PID"), std::string::npos) << text;
        EXPECT_EQ(ids, (std::vector<UsbId>{{1, 2}})) << text;
    }
}

TEST(UsbId, FormatAndMatch) {
    EXPECT_EQ(FormatUsbId({0x0A0B, 0x00f1}), "0a0b:00f1");
    const std::vector<UsbId> ids = {{0x1111, 0x2222}, {0x3333, 0x4444}};
    EXPECT_TRUE(MatchesUsbId(ids, 0x3333, 0x4444));
    EXPECT_FALSE(MatchesUsbId(ids, 0x1111, 0x4444));  // vendor and product must come as a pair
    EXPECT_FALSE(MatchesUsbId({}, 0x1111, 0x2222));
}

TEST(MakeUdevRules, OneUaccessRuleLinePerIdAfterTheComment) {
    const std::string rules = MakeUdevRules({{0x1a2b, 0x3c4d}, {0x00ff, 0x0001}});
    const std::string first =
        "SUBSYSTEM==\"usb\", ENV{DEVTYPE}==\"usb_device\", ATTR{idVendor}==\"1a2b\", "
        "ATTR{idProduct}==\"3c4d\", TAG+=\"uaccess\"\n";
    const std::string second =
        "SUBSYSTEM==\"usb\", ENV{DEVTYPE}==\"usb_device\", ATTR{idVendor}==\"00ff\", "
        "ATTR{idProduct}==\"0001\", TAG+=\"uaccess\"\n";
    const std::size_t at = rules.find(first);
    ASSERT_NE(at, std::string::npos) << rules;
    EXPECT_EQ(rules.substr(at), first + second);
    // Everything before the rules is comment.
    std::size_t line = 0;
    while (line < at) {
        EXPECT_EQ(rules[line], '#') << rules;
        line = rules.find('\n', line) + 1;
    }
}

}  // namespace
}  // namespace vanto

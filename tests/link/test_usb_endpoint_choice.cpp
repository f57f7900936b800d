#include <gtest/gtest.h>

#include "link/usb_endpoint_choice.h"

namespace vanto {
namespace {

constexpr std::uint8_t kBulk = 0x02;
constexpr std::uint8_t kInterrupt = 0x03;
constexpr std::uint8_t kIsochronous = 0x01;

UsbAltSettingInfo Alt(std::uint8_t number, std::uint8_t alt, std::vector<UsbEndpointInfo> eps) {
    return {number, alt, std::move(eps)};
}

TEST(ChooseUsbPipes, FirstInterfaceWithBothBulkDirections) {
    const UsbConfigInfo config = {
        Alt(0, 0, {{0x81, kInterrupt, 8}}),                        // control pad: interrupt only
        Alt(1, 0, {{0x82, kBulk, 64}}),                            // bulk IN without OUT
        Alt(2, 0, {{0x03, kIsochronous, 64}, {0x83, kBulk, 64}}),  // OUT is not bulk
        Alt(3, 0, {{0x04, kBulk, 512}, {0x84, kBulk, 512}, {0x85, kBulk, 512}, {0x05, kBulk, 64}}),
        Alt(4, 0, {{0x86, kBulk, 64}, {0x06, kBulk, 64}}),
    };
    const std::optional<UsbPipes> pipes = ChooseUsbPipes(config);
    ASSERT_TRUE(pipes);
    EXPECT_EQ(pipes->interfaceNumber, 3);
    EXPECT_EQ(pipes->alternateSetting, 0);
    EXPECT_EQ(pipes->readEndpoint, 0x84);   // first bulk IN
    EXPECT_EQ(pipes->writeEndpoint, 0x04);  // first bulk OUT
    EXPECT_EQ(pipes->readPacketSize, 512);
    EXPECT_EQ(pipes->writePacketSize, 512);
}

TEST(ChooseUsbPipes, AlternateSettingAndUnusableEndpoints) {
    const UsbConfigInfo config = {
        Alt(0, 0, {}),                                     // bandwidth-free default setting
        Alt(0, 1, {{0x81, kBulk, 0}, {0x01, kBulk, 64}}),  // IN with packet size 0 is unusable
        Alt(0, 2, {{0x82, kBulk, 0x1840}, {0x02, kBulk, 64}}),
    };
    const std::optional<UsbPipes> pipes = ChooseUsbPipes(config);
    ASSERT_TRUE(pipes);
    EXPECT_EQ(pipes->interfaceNumber, 0);
    EXPECT_EQ(pipes->alternateSetting, 2);
    EXPECT_EQ(pipes->readEndpoint, 0x82);
    EXPECT_EQ(pipes->readPacketSize, 0x40);  // extra-transaction bits dropped
}

TEST(ChooseUsbPipes, NoneWithoutABulkPair) {
    EXPECT_FALSE(ChooseUsbPipes({}));
    EXPECT_FALSE(ChooseUsbPipes({Alt(0, 0, {{0x81, kBulk, 64}}), Alt(1, 0, {{0x01, kBulk, 64}})}));
    EXPECT_FALSE(ChooseUsbPipes({Alt(0, 0, {{0x81, kInterrupt, 64}, {0x01, kInterrupt, 64}})}));
}

TEST(UsbReadLength, WholePacketsUpTo2080Bytes) {
    struct Case {
        std::uint16_t packet;
        std::size_t length;
    };
    const Case cases[] = {{8, 2080},    {64, 2048},   {512, 2048},    {1024, 2048},
                          {1023, 2046}, {2047, 2047}, {0x1840, 2048}, {0, 2080}};
    for (const Case& c : cases) {
        const std::size_t length = UsbReadLength(c.packet);
        EXPECT_EQ(length, c.length) << c.packet;
        const std::size_t packet = c.packet & 0x7FF;
        if (packet != 0) {
            EXPECT_EQ(length % packet, 0u) << c.packet;
        }
    }
}

}  // namespace
}  // namespace vanto

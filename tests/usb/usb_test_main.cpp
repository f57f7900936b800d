// The USB tests' entry point: file permissions must hold for them even as root, so a device node
// made unreadable is refused as it would be for a desktop user. That is set before any thread
// starts, so every thread of the process has it.
#include <gtest/gtest.h>

#include "tests/usb/emulated_usb_bus.h"

int main(int argc, char** argv) {
    vanto::test::EmulatedUsbBus::DropFileAccessOverride();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

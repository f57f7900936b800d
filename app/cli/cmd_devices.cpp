// devices: the USB devices that could be the remote, one per line: id, port path, state, strings.
#include <cstdio>
#include <string>

#include "app/cli/commands.h"
#include "link/usb_device_list.h"

namespace vanto::cli {

int RunDevices(const Args& args) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::printf(
            "Usage: vanto-remote-manager devices\n"
            "Lists the attached USB devices that could be the remote, one per line: "
            "vendor:product\n"
            "id, bus and port path, state (ready, no permission, in use, not usable) and the\n"
            "device's own names. Choose one in the window, or give its id to --usb.\n");
        return kExitOk;
    }
    if (!args.empty()) {
        std::fprintf(stderr, "Usage: vanto-remote-manager devices\n");
        return kExitUsage;
    }
    UsbDeviceLister lister;
    if (!lister.Available()) {
        std::fprintf(stderr, "vanto-remote-manager: %s\n", lister.Error().c_str());
        return kExitRefused;
    }
    const auto devices = lister.List();
    if (devices.empty()) {
        std::printf("No USB device that could be the remote is attached.\n");
        return kExitOk;
    }
    for (const UsbDeviceEntry& device : devices) {
        std::printf("%s\n", FormatUsbDeviceLine(device).c_str());
    }
    return kExitOk;
}

}  // namespace vanto::cli

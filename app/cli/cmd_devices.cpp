// devices: the USB devices that could be the remote, one per line: id, port path, state, strings.
#include <ostream>
#include <string>

#include "app/cli/commands.h"
#include "link/usb_device_list.h"

namespace vanto::cli {

int RunDevices(const ParsedArgs&, CommandIo& io) {
    UsbDeviceLister lister;
    if (!lister.Available()) {
        io.err << "vanto-remote-manager: " << lister.Error() << "\n";
        return kExitRefused;
    }
    const auto devices = lister.List();
    if (devices.empty()) {
        io.out << "No USB device that could be the remote is attached.\n";
        return kExitOk;
    }
    for (const UsbDeviceEntry& device : devices) {
        io.out << FormatUsbDeviceLine(device) << "\n";
    }
    return kExitOk;
}

}  // namespace vanto::cli

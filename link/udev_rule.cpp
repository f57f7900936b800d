#include "link/udev_rule.h"

namespace vanto {

std::string MakeUdevRules(const std::vector<UsbId>& ids) {
    std::string text =
        "# VANTO Remote Manager: lets the user at the seat open the remote control over USB.\n"
        "# Install as " +
        std::string(kUdevRulePath) +
        ", then run\n"
        "#   sudo udevadm control --reload-rules && sudo udevadm trigger\n"
        "# and plug the remote in again.\n";
    for (const UsbId& id : ids) {
        text += UdevRuleLine(id) + "\n";
    }
    return text;
}

std::string UdevRuleLine(const UsbId& id) {
    const std::string vidPid = FormatUsbId(id);
    return "SUBSYSTEM==\"usb\", ENV{DEVTYPE}==\"usb_device\", ATTR{idVendor}==\"" +
           vidPid.substr(0, 4) + "\", ATTR{idProduct}==\"" + vidPid.substr(5, 4) +
           "\", TAG+=\"uaccess\"";
}

std::vector<std::string> UdevInstallCommands(const UsbId& id) {
    // The rule holds double quotes only, so single quotes carry it through the shell unchanged.
    return {"echo '" + UdevRuleLine(id) + "' | sudo tee " + kUdevRulePath,
            "sudo udevadm control --reload-rules && sudo udevadm trigger"};
}

}  // namespace vanto

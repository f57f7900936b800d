#pragma once
// The udev rule that lets the user at the seat open the remote without root (TAG "uaccess").

#include <string>
#include <vector>

#include "link/usb_id.h"

namespace vanto {

// Where the rule goes; the number must stay below 73 so that the uaccess tag takes effect.
constexpr char kUdevRulePath[] = "/etc/udev/rules.d/70-vanto-remote-manager.rules";

// A complete rules file: a comment telling where to put it and how to load it, then one rule line
// per id.
std::string MakeUdevRules(const std::vector<UsbId>& ids);

// The rule line for one id, without a line end.
std::string UdevRuleLine(const UsbId& id);

// The two shell commands that install the rule for `id` and have udev apply it.
std::vector<std::string> UdevInstallCommands(const UsbId& id);

}  // namespace vanto

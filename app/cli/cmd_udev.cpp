// --print-udev-rules VID:PID[,VID:PID...]: prints a udev rules file that gives the user at the
// seat access to the remote.
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/commands.h"
#include "link/udev_rule.h"
#include "link/usb_id.h"

namespace vanto::cli {

int RunPrintUdevRules(const Args& args) {
    if (args.size() != 1) {
        std::fprintf(stderr,
                     "Usage: vanto-remote-manager --print-udev-rules VID:PID[,VID:PID...]\n");
        return kExitUsage;
    }
    std::vector<UsbId> ids;
    std::string error;
    if (!ParseUsbIdList(args[0], ids, error)) {
        std::fprintf(stderr, "vanto-remote-manager: %s\n", error.c_str());
        return kExitUsage;
    }
    const std::string rules = MakeUdevRules(ids);
    std::fputs(rules.c_str(), stdout);
    return kExitOk;
}

}  // namespace vanto::cli

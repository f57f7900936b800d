// --print-udev-rules VID:PID[,VID:PID...]: prints a udev rules file that gives the user at the
// seat access to the remote.
#include <ostream>
#include <string>
#include <vector>

#include "app/cli/commands.h"
#include "link/udev_rule.h"
#include "link/usb_id.h"

namespace vanto::cli {

int RunPrintUdevRules(const ParsedArgs& args, CommandIo& io) {
    std::vector<UsbId> ids;
    std::string error;
    if (!ParseUsbIdList(args.Operands()[0], ids, error)) {
        io.err << "vanto-remote-manager --print-udev-rules: " << error << "\n";
        return kExitUsage;
    }
    io.out << MakeUdevRules(ids);
    return kExitOk;
}

}  // namespace vanto::cli

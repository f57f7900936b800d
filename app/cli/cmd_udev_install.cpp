// --install-udev-rule VID:PID: the privileged step behind the window's "Allow access...", run as
// root through pkexec. It writes only the program's own rule file, with the rule for that one
// vendor:product (the text --print-udev-rules prints), and has udev load it and apply it to the
// devices with that id. Nothing of the caller's goes into the file but the parsed id.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ostream>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "app/cli/commands.h"
#include "formats/file_system.h"
#include "link/udev_rule.h"
#include "link/usb_id.h"

namespace vanto::cli {
namespace {

constexpr auto kCommandTimeout = std::chrono::seconds(30);

// Runs a program from the system's own directories and waits for it, at most kCommandTimeout.
bool RunTool(const std::vector<std::string>& argv) {
    const pid_t pid = ::fork();
    if (pid < 0) {
        return false;
    }
    if (pid == 0) {
        std::vector<char*> args;
        for (const std::string& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        for (const char* dir : {"/usr/bin/", "/bin/", "/usr/sbin/", "/sbin/"}) {
            ::execv((dir + argv[0]).c_str(), args.data());
        }
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + kCommandTimeout;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        if (done < 0 || std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace

int RunInstallUdevRule(const ParsedArgs& args, CommandIo& io) {
    std::vector<UsbId> ids;
    std::string error;
    if (!ParseUsbIdList(args.Operands()[0], ids, error) || ids.size() != 1) {
        io.err << "Usage: vanto-remote-manager --install-udev-rule VID:PID\n";
        return kExitUsage;
    }
    if (::geteuid() != 0) {
        io.err << "vanto-remote-manager: --install-udev-rule must run as root (through pkexec or "
                  "sudo)\n";
        return kExitRefused;
    }
    // The rule file goes in through a temporary file beside it, renamed into place when complete.
    const std::string text = MakeUdevRules(ids);
    FileError writeError;
    if (!WriteWholeFile(
            io.fs, kUdevRulePath,
            {std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())},
            &writeError)) {
        io.err << "vanto-remote-manager: " << writeError.Text() << "\n";
        return kExitRefused;
    }
    const std::string vidPid = FormatUsbId(ids[0]);
    const bool reloaded = RunTool({"udevadm", "control", "--reload-rules"}) &&
                          RunTool({"udevadm", "trigger", "--action=add", "--subsystem-match=usb",
                                   "--attr-match=idVendor=" + vidPid.substr(0, 4),
                                   "--attr-match=idProduct=" + vidPid.substr(5, 4)});
    if (!reloaded) {
        io.err << "vanto-remote-manager: the rule is in " << kUdevRulePath
               << ", but udev could not be told; plug the remote in again\n";
        return kExitRefused;
    }
    io.out << "Installed " << kUdevRulePath << "\n";
    return kExitOk;
}

}  // namespace vanto::cli

// --install-udev-rule VID:PID: the privileged step behind the window's "Allow access...", run as
// root through pkexec. It writes only the program's own rule file, with the rule for that one
// vendor:product (the text --print-udev-rules prints), and has udev load it and apply it to the
// devices with that id. Nothing of the caller's goes into the file but the parsed id.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/cli/commands.h"
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

// The rule file goes in through a temporary file beside it, renamed into place when complete.
bool WriteRuleFile(const std::string& text, std::string& error) {
    const std::string path = kUdevRulePath;
    const std::string dir = path.substr(0, path.rfind('/'));
    std::string temp = dir + "/.vanto-remote-manager.rules.XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = "cannot create a file in " + dir + ": " + std::strerror(errno);
        return false;
    }
    bool ok = ::fchmod(fd, 0644) == 0;
    std::size_t done = 0;
    while (ok && done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        ok = n > 0;
        done += ok ? static_cast<std::size_t>(n) : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace

int RunInstallUdevRule(const Args& args) {
    std::vector<UsbId> ids;
    std::string error;
    if (args.size() != 1 || !ParseUsbIdList(args[0], ids, error) || ids.size() != 1) {
        std::fprintf(stderr, "Usage: vanto-remote-manager --install-udev-rule VID:PID\n");
        return kExitUsage;
    }
    if (::geteuid() != 0) {
        std::fprintf(stderr,
                     "vanto-remote-manager: --install-udev-rule must run as root (through pkexec "
                     "or sudo)\n");
        return kExitRefused;
    }
    if (!WriteRuleFile(MakeUdevRules(ids), error)) {
        std::fprintf(stderr, "vanto-remote-manager: %s\n", error.c_str());
        return kExitRefused;
    }
    const std::string vidPid = FormatUsbId(ids[0]);
    const bool reloaded = RunTool({"udevadm", "control", "--reload-rules"}) &&
                          RunTool({"udevadm", "trigger", "--action=add", "--subsystem-match=usb",
                                   "--attr-match=idVendor=" + vidPid.substr(0, 4),
                                   "--attr-match=idProduct=" + vidPid.substr(5, 4)});
    if (!reloaded) {
        std::fprintf(stderr,
                     "vanto-remote-manager: the rule is in %s, but udev could not be told; plug "
                     "the remote in again\n",
                     kUdevRulePath);
        return kExitRefused;
    }
    std::printf("Installed %s\n", kUdevRulePath);
    return kExitOk;
}

}  // namespace vanto::cli

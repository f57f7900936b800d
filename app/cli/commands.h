#pragma once
// The command-line front end: one function per sub-command. Each returns the process exit status:
// 0 success, 1 refused input, 2 usage error.
#include <string>
#include <vector>

namespace vanto::cli {

using Args = std::vector<std::string>;

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

void PrintUsage(bool toStderr);
int RunImage(const Args& args);      // image IN.s19 -o OUT
int RunInfo(const Args& args);       // info FILE
int RunIcons(const Args& args);      // icons unpack FILE.vui DIR | icons pack ...
int RunIconsPack(const Args& args);  // icons pack DIR -o FILE.vui [--from FILE.vui]
int RunPrintUdevRules(const Args& args);
int RunServe(const Args& args);            // serve --function F --file PATH [...]
int RunDevices(const Args& args);          // devices
int RunInstallUdevRule(const Args& args);  // --install-udev-rule VID:PID (as root, via pkexec)

}  // namespace vanto::cli

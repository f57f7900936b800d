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

}  // namespace vanto::cli

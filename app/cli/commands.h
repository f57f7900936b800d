#pragma once
// The command-line front end: every sub-command, described for the common parser, and the
// dispatcher that runs one. A new sub-command is one more entry in Commands() with its run
// function.

#include <optional>
#include <string>
#include <vector>

#include "app/core/command_line.h"

namespace vanto::cli {

// Every sub-command, in the order the overview lists them.
const std::vector<CommandDescription>& Commands();

// Runs the sub-command `args` name (the words after the program's name) and gives its exit
// status; nullopt when `args` name no sub-command, which starts the window. "--help" and
// "--version" are answered here.
std::optional<int> RunCommand(const std::vector<std::string>& args, CommandIo& io);

// The overview: the window's options and every sub-command.
std::string OverviewHelp();

int RunImage(const ParsedArgs& args, CommandIo& io);        // image IN.s19 -o OUT
int RunInfo(const ParsedArgs& args, CommandIo& io);         // info FILE
int RunIconsUnpack(const ParsedArgs& args, CommandIo& io);  // icons unpack FILE.vui DIR
int RunIconsPack(const ParsedArgs& args, CommandIo& io);    // icons pack DIR -o FILE.vui
int RunPrintUdevRules(const ParsedArgs& args, CommandIo& io);
int RunServeCommand(const ParsedArgs& args, CommandIo& io);
int RunDevices(const ParsedArgs& args, CommandIo& io);          // devices
int RunInstallUdevRule(const ParsedArgs& args, CommandIo& io);  // --install-udev-rule VID:PID

// printf-style output to a stream.
void Print(std::ostream& os, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace vanto::cli

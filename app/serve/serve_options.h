#pragma once
// The arguments of `serve`:
//   --function F --file PATH [--mode user-data|one-device] [--link usb|usb:VID:PID[,..]|tty:PATH]
//   [--usb VID:PID[,..]] [--once] [--yes] [--trace]

#include <string>
#include <vector>

#include "app/core/command_line.h"
#include "link/link_factory.h"

namespace vanto::serve {

struct ServeOptions {
    int function = -1;  // FunctionIndex
    std::string file;
    int mode = -1;  // -1: the page's own (user data, 0); else 0 or 1
    LinkOption link;
    bool once = false;
    bool yes = false;
    bool trace = false;
    bool help = false;
};

// The options of `serve`, for the common parser and the help text.
const cli::CommandDescription& ServeCommand();

// Parses the arguments after "serve". False with a message in `error` on a usage error.
bool ParseServeOptions(const std::vector<std::string>& args, ServeOptions& options,
                       std::string& error);
// The options from arguments the common parser read with ServeCommand().
bool ServeOptionsFrom(const cli::ParsedArgs& args, ServeOptions& options, std::string& error);

// The names of --function, by function index.
const char* FunctionName(int index);

}  // namespace vanto::serve

#pragma once
// The window's entry point and its command line:
//   vanto-remote-manager [--link usb|usb:VID:PID[,...]|tty:PATH] [--usb VID:PID[,...]]
// plus the standard Qt options.

namespace vanto::gui {

// True when `arg` belongs to the window's command line rather than naming a sub-command.
bool IsWindowArgument(const char* arg);

int RunWindow(int argc, char** argv);

}  // namespace vanto::gui

#pragma once
// The window's entry point and its command line:
//   vanto-remote-manager [--link usb|usb:VID:PID[,...]|tty:PATH] [--usb VID:PID[,...]]
// plus the standard Qt options.

namespace vanto::gui {

int RunWindow(int argc, char** argv);

}  // namespace vanto::gui

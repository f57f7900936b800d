#pragma once
// The window's entry point and its command line:
//   vanto-remote-manager [--link usb|usb:VID:PID[,...]|tty:PATH] [--usb VID:PID[,...]]
// plus the standard Qt options. A hidden --screenshot DIR saves a picture of every page and every
// colour style and of the icon editor into DIR and ends (the settings then go to a temporary
// folder); with --screenshot-select N:FILE as well it chooses FILE on page N and saves one picture
// of that page in the middle of a real transfer with the remote on the --link, instead.

namespace vanto::gui {

int RunWindow(int argc, char** argv);

}  // namespace vanto::gui

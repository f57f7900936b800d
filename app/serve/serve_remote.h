#pragma once
// The remote `serve` talks to when the command line names none: a usb link given without ids
// (no --usb, no --link usb:VID:PID) follows the remote chosen in the window's settings.

#include <string>

#include "link/link_factory.h"

namespace vanto::serve {

// Fills a usb link without ids from the settings. False, with a message for the user, when the
// link still names no device.
bool ResolveChosenRemote(LinkOption& link, std::string& error);

}  // namespace vanto::serve

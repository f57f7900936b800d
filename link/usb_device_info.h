#pragma once
// Facts about one attached USB device, read without sending anything to it: its configuration as
// plain values (for ChooseUsbPipes), its bus and port path, and the strings and driver state the
// kernel keeps in sysfs. Only link/ calls these; libusb types stay forward-declared.

#include <string>

#include "link/usb_endpoint_choice.h"

struct libusb_device;

namespace vanto {

// The active configuration; empty when it cannot be read. Interfaces without a class of their own
// take the device's.
UsbConfigInfo ReadConfigInfo(libusb_device* device);

// "1-1.4": the bus number and the hub ports down to the device, as sysfs names it; "usb1" for a
// root hub.
std::string UsbPortPath(libusb_device* device);

// A sysfs attribute of the device ("manufacturer", "product", "serial"), without its line end;
// empty when the device has none or it cannot be read.
std::string UsbSysfsAttribute(libusb_device* device, const char* name);

// True when another program holds interface `interfaceNumber` through usbfs (the kernel shows the
// "usbfs" driver bound to it).
bool UsbInterfaceHeldByProgram(libusb_device* device, int interfaceNumber);

}  // namespace vanto

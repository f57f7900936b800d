#include "app/serve/serve_remote.h"

#include <cstdio>

#include "app/settings/app_settings.h"

namespace vanto::serve {

bool ResolveChosenRemote(LinkOption& link, std::string& error) {
    if (link.kind != LinkOption::Kind::kUsb || !link.usbIds.empty()) {
        return true;
    }
    const auto chosen = settings::ReadChosenRemote();
    if (const QString notice = settings::SettingsNotice(); !notice.isEmpty()) {
        std::fprintf(stderr, "serve: %s\n", notice.toLocal8Bit().constData());
    }
    if (chosen) {
        link.usbIds = chosen->ids;
        link.usbSerial = chosen->serial;
        return true;
    }
    error =
        "No remote is chosen. Choose it once in the window (\"Choose Remote...\"), or name it "
        "with --usb VID:PID; 'vanto-remote-manager devices' lists the USB devices that could be "
        "the remote.";
    return false;
}

}  // namespace vanto::serve

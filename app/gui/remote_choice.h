#pragma once
// The window's side of choosing the remote: the live list of USB devices that could be it, the
// choice stored in the settings, and the link that follows the choice at once. It never picks or
// claims a device on the user's behalf. The chooser dialog, the status-bar item and the access
// notice all show what this object holds.

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "link/usb_device_list.h"
#include "link/usb_match.h"

namespace vanto {
class UsbLink;
}

namespace vanto::gui {

class RemoteChoice final : public QObject {
    Q_OBJECT
public:
    struct Options {
        // The USB link of the window, or null (a tty link, or none).
        vanto::UsbLink* link = nullptr;
        // Set when --usb (or --link usb:VID:PID) names the remote for this run: the link follows
        // that, and a choice made now takes effect from the next start.
        QString overrideText;
        // How often the list is looked at: with hotplug only to see whether something changed.
        int pollMs = 200;
    };

    RemoteChoice(QObject* parent, Options options);
    ~RemoteChoice() override;

    const std::vector<vanto::UsbDeviceEntry>& Devices() const { return m_devices; }
    const std::optional<vanto::UsbMatch>& Chosen() const { return m_chosen; }
    bool IsChosen(const vanto::UsbDeviceEntry& device) const;
    // True when a device matching the choice is attached now.
    bool ChosenAttached() const;
    const QString& OverrideText() const { return m_options.overrideText; }
    vanto::UsbLink* Link() const { return m_options.link; }
    const QString& ListError() const { return m_listError; }

    // Stores `device` as the remote and points the link at it now.
    void Use(const vanto::UsbDeviceEntry& device);
    // Forgets the stored remote; the link follows nothing (unless --usb named one).
    void Forget();
    // Lists the devices again now (after access was allowed, say).
    void Refresh();

signals:
    void DevicesChanged();
    void ChoiceChanged();
    // The chosen remote is attached but this user may not open it; once per plug-in.
    void AccessDenied(const vanto::UsbDeviceEntry& device);

private:
    void Poll();
    void ApplyToLink();

    Options m_options;
    std::unique_ptr<vanto::UsbDeviceLister> m_lister;
    QTimer m_timer;
    std::uint64_t m_lastChanges = 0;
    int m_ticksSinceList = 0;
    bool m_bListed = false;
    std::vector<vanto::UsbDeviceEntry> m_devices;
    std::optional<vanto::UsbMatch> m_chosen;
    QString m_listError;
    // Devices (bus << 8 | address) whose refusal was already reported while they stay plugged.
    std::set<int> m_deniedReported;
};

}  // namespace vanto::gui

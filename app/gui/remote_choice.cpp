#include "app/gui/remote_choice.h"

#include <algorithm>

#include "app/settings/app_settings.h"
#include "link/usb_link.h"

namespace vanto::gui {
namespace {

// Without hotplug events the list is looked at every this many polls.
constexpr int kListEveryTicks = 5;

int DeviceKey(const vanto::UsbDeviceEntry& device) {
    return (device.bus << 8) | device.address;
}

}  // namespace

RemoteChoice::RemoteChoice(QObject* parent, Options options)
    : QObject(parent),
      m_options(std::move(options)),
      m_lister(std::make_unique<vanto::UsbDeviceLister>()),
      m_chosen(vanto::settings::ReadChosenRemote()) {
    if (!m_lister->Available()) {
        m_listError = QString::fromStdString(m_lister->Error());
    }
    m_timer.setInterval(m_options.pollMs);
    connect(&m_timer, &QTimer::timeout, this, &RemoteChoice::Poll);
    m_timer.start();
    Poll();
}

RemoteChoice::~RemoteChoice() = default;

bool RemoteChoice::IsChosen(const vanto::UsbDeviceEntry& device) const {
    return m_chosen && vanto::Matches(*m_chosen, device);
}

bool RemoteChoice::ChosenAttached() const {
    return std::any_of(m_devices.begin(), m_devices.end(),
                       [this](const auto& device) { return IsChosen(device); });
}

void RemoteChoice::Use(const vanto::UsbDeviceEntry& device) {
    m_chosen = vanto::MatchFor(device);
    vanto::settings::WriteChosenRemote(m_chosen);
    m_deniedReported.clear();
    ApplyToLink();
    emit ChoiceChanged();
    Refresh();
}

void RemoteChoice::Forget() {
    m_chosen.reset();
    vanto::settings::WriteChosenRemote(std::nullopt);
    ApplyToLink();
    emit ChoiceChanged();
}

void RemoteChoice::ApplyToLink() {
    if (m_options.link && m_options.overrideText.isEmpty()) {
        m_options.link->SetMatch(m_chosen.value_or(vanto::UsbMatch{}));
    }
}

void RemoteChoice::Refresh() {
    m_bListed = false;
    if (m_options.link) {
        m_options.link->Recheck();
    }
    Poll();
}

void RemoteChoice::Poll() {
    if (!m_lister->Available()) {
        return;
    }
    // With hotplug the list is redone only when a device came or went; without it, every few
    // polls. A device that refuses access is looked at again each time, so a rule installed by
    // hand shows at once.
    const std::uint64_t changes = m_lister->Changes();
    const bool denied = std::any_of(m_devices.begin(), m_devices.end(), [](const auto& d) {
        return d.state == vanto::UsbDeviceState::kNoPermission;
    });
    ++m_ticksSinceList;
    const bool due =
        m_lister->WatchesHotplug()
            ? changes != m_lastChanges || (denied && m_ticksSinceList >= kListEveryTicks)
            : m_ticksSinceList >= kListEveryTicks;
    if (m_bListed && !due) {
        return;
    }
    m_lastChanges = changes;
    m_ticksSinceList = 0;
    m_bListed = true;
    std::vector<vanto::UsbDeviceEntry> devices = m_lister->List();
    const bool changed =
        devices.size() != m_devices.size() ||
        !std::equal(devices.begin(), devices.end(), m_devices.begin(),
                    [](const auto& a, const auto& b) {
                        return a.bus == b.bus && a.address == b.address && a.state == b.state;
                    });
    m_devices = std::move(devices);
    // The chosen remote refusing access is reported once while it stays plugged in.
    std::set<int> stillDenied;
    std::optional<vanto::UsbDeviceEntry> report;
    for (const auto& device : m_devices) {
        if (IsChosen(device) && device.state == vanto::UsbDeviceState::kNoPermission) {
            stillDenied.insert(DeviceKey(device));
            if (!report && m_deniedReported.count(DeviceKey(device)) == 0) {
                report = device;
            }
        }
    }
    m_deniedReported = std::move(stillDenied);
    if (changed) {
        emit DevicesChanged();
    }
    if (report) {
        emit AccessDenied(*report);
    }
}

}  // namespace vanto::gui

#pragma once
// The link over libusb-1.0: the remote is the first present USB device that the UsbMatch names
// (vendor:product, and the serial where one is given); its first interface with a bulk IN and a
// bulk OUT endpoint (ChooseUsbPipes) carries the bytes. Devices that do not match are never opened
// for more than the presence test, never claimed, never detached from their kernel driver and
// never written to. Where libusb reports hotplug events, a poll looks at the devices again only
// after one came or went, or while the remote is there but not yet open.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "link/device_link.h"
#include "link/reader_thread.h"
#include "link/usb_endpoint_choice.h"
#include "link/usb_id.h"
#include "link/usb_match.h"
#include "link/write_queue.h"

struct libusb_context;
struct libusb_device;
struct libusb_device_handle;

namespace vanto {

class UsbHotplugWatch;

class UsbLink final : public DeviceLink {
public:
    // Receives texts for the user that are not the status line: a remote that is plugged in but
    // may not be opened (reported once per plug-in, with the udev rule that fixes it) and a USB
    // stack that cannot be used at all (reported once). Called on the host thread, from IsPresent.
    using NoticeSink = std::function<void(const std::string& text)>;

    // Wait of one read, so the reader sees a stop request in time.
    static constexpr unsigned kReadWaitMs = 100;
    // Longest time a frame may take to go out.
    static constexpr int kWriteTimeoutMs = 2000;

    UsbLink(std::vector<UsbId> ids, NoticeSink onNotice);
    UsbLink(UsbMatch match, NoticeSink onNotice);
    UsbLink(const UsbLink&) = delete;
    UsbLink& operator=(const UsbLink&) = delete;
    ~UsbLink() override;

    bool IsPresent() override;
    OpenResult OpenLink(const LinkCallbacks& callbacks) override;
    WriteReport WriteLink(const std::uint8_t* bytes, std::size_t length) override;
    bool IsReaderRunning() const { return m_reader.IsRunning(); }
    void Close() override;

    // The text given to the sink when a matched device refuses access for lack of permission.
    static std::string PermissionText(const UsbId& id, int bus, int address);

    // Follows another device from the next poll on (host thread): a link open on a device the new
    // match does not name is closed at once. An empty match follows nothing.
    void SetMatch(UsbMatch match);
    const UsbMatch& Match() const { return m_match; }
    // Whether a matched device that refuses access is reported to the sink (on by default); the
    // window shows its own notice with the fix instead.
    void SetPermissionNotices(bool on) { m_bPermissionNotices = on; }
    // Looks at the devices again at the next poll even if no hotplug event came (after a udev
    // rule was installed, say).
    void Recheck() { m_bRecheck = true; }

private:
    void ReleaseDevice();
    void Notice(const std::string& text);
    bool DeviceMatches(libusb_device* device, std::uint16_t vendor, std::uint16_t product) const;
    bool ScanPresence();

    UsbMatch m_match;
    NoticeSink m_onNotice;
    bool m_bPermissionNotices = true;
    // Presence from hotplug: the change count at the last scan and what it found.
    std::unique_ptr<UsbHotplugWatch> m_hotplug;
    std::uint64_t m_lastChanges = 0;
    bool m_bScanned = false;
    bool m_bLastPresent = false;
    bool m_bRecheck = false;
    libusb_context* m_pContext = nullptr;
    bool m_bInitReported = false;
    std::string m_initError;
    // Devices (bus << 8 | address) already reported as refusing access while they stay plugged.
    std::set<int> m_deniedReported;

    std::mutex m_deviceMutex;  // guards m_pDevice and m_pipes
    libusb_device_handle* m_pDevice = nullptr;
    UsbPipes m_pipes;
    ReaderThread m_reader;
    WriteQueue m_writer;
};

}  // namespace vanto

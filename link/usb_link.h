#pragma once
// The link over libusb-1.0: the remote is the first present USB device whose vendor:product is in
// the list; its first interface with a bulk IN and a bulk OUT endpoint carries the bytes. Devices
// that do not match are never opened for more than the presence test, never claimed, never
// detached from their kernel driver and never written to.

#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "link/device_link.h"
#include "link/reader_thread.h"
#include "link/usb_endpoint_choice.h"
#include "link/usb_id.h"
#include "link/write_queue.h"

struct libusb_context;
struct libusb_device_handle;

namespace vanto {

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

private:
    void ReleaseDevice();
    void Notice(const std::string& text);

    std::vector<UsbId> m_ids;
    NoticeSink m_onNotice;
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

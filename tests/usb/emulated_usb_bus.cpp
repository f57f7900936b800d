#include "tests/usb/emulated_usb_bus.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

namespace vanto::test {
namespace {

constexpr std::size_t kPacketSize = 64;  // full speed bulk
constexpr std::uint8_t kEndpointIn = 0x81;
constexpr std::uint8_t kEndpointOut = 0x01;
constexpr char kPreloadLibrary[] = "libumockdev-preload.so.0";

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t b : bytes) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0x0F]);
    }
    return text;
}

void Put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// Device descriptor, then the one configuration with its interface and endpoints, as the
// kernel's sysfs "descriptors" file holds them.
std::vector<std::uint8_t> Descriptors(const EmulatedUsbDevice& device) {
    std::vector<std::uint8_t> d = {18, 1, 0x00, 0x02, 0, 0, 0, 64};
    Put16(d, device.vendor);
    Put16(d, device.product);
    Put16(d, 0x0100);
    d.insert(d.end(), {1, 2, static_cast<std::uint8_t>(device.serial.empty() ? 0 : 3), 1});

    std::vector<std::uint8_t> iface;
    switch (device.kind) {
        case EmulatedUsbDevice::Kind::kRemote:
            iface = {9, 4, 0,           0, 2,  0xFF, 0, 0, 0,  //
                     7, 5, kEndpointIn, 2, 64, 0,    0, 7, 5, kEndpointOut, 2, 64, 0, 0};
            break;
        case EmulatedUsbDevice::Kind::kInterruptOnly:
            iface = {9, 4, 0, 0, 1, 0xFF, 0, 0, 0, 7, 5, kEndpointIn, 3, 8, 0, 10};
            break;
        case EmulatedUsbDevice::Kind::kMassStorage:
            iface = {9, 4, 0,           0, 2,  0x08, 0x06, 0x50, 0,  //
                     7, 5, kEndpointIn, 2, 64, 0,    0,    7,    5, 0x02, 2, 64, 0, 0};
            break;
    }
    const auto total = static_cast<std::uint16_t>(9 + iface.size());
    d.insert(d.end(), {9, 2});
    Put16(d, total);
    d.insert(d.end(), {1, 1, 0, 0x80, 50});
    d.insert(d.end(), iface.begin(), iface.end());
    return d;
}

struct UrbRef {
    UMockdevIoctlClient* client = nullptr;  // not owned: URBs go when their client vanishes
    UMockdevIoctlData* urb = nullptr;       // owned reference
    std::size_t filled = 0;
};

usbdevfs_urb* UrbOf(const UrbRef& ref) {
    return reinterpret_cast<usbdevfs_urb*>(ref.urb->data);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// One plugged device: its node (a FIFO), its ioctl handler and, for a remote, its endpoints.
// Every UMockdevIoctlData is touched on umockdev's worker thread only; other threads post work
// there with RunOnWorker.

struct EmulatedUsbBus::Device final : EmulatedBulkPipes {
    ~Device() override;

    void Start(const std::string& nodePath);
    void RunOnWorker(std::function<void()> work);

    // EmulatedBulkPipes
    void SendIn(const std::uint8_t* bytes, std::size_t length, bool zeroLengthPacket) override;
    void SetOutSink(OutSink sink) override;
    std::vector<OutTransfer> OutTransfers() const override;
    std::size_t InUrbsInFlight() const override;
    std::size_t BytesHeldInUrbs() const override;
    std::size_t InUrbsDiscarded() const override;

    void Disconnect();

    static gboolean OnIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, gpointer self);
    static void OnClientVanished(UMockdevIoctlBase* handler, UMockdevIoctlClient* client,
                                 gpointer self);
    bool HandleIoctl(UMockdevIoctlClient* client);
    void Submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    void Reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    void Discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    void FillInUrbs();                    // worker thread, lock held
    void Finish(UrbRef ref, int status);  // worker thread, lock held
    void UpdateReadiness();               // lock held

    EmulatedUsbDevice model;
    int address = 0;
    std::string syspath;
    std::string nodePath;
    UMockdevIoctlBase* handler = nullptr;
    int fifo = -1;  // our own end of the node, to fill and drain it
    bool fifoFull = false;

    mutable std::mutex lock;
    std::condition_variable workDone;
    GMainContext* worker = nullptr;  // umockdev's worker context, known from the first call
    bool disconnected = false;
    std::deque<std::vector<std::uint8_t>> inPackets;  // sent by the device, not yet taken
    std::deque<UrbRef> pendingIn;                     // IN URBs waiting for packets
    std::deque<UrbRef> reapable;                      // completed, waiting for REAPURB
    std::vector<OutTransfer> outTransfers;
    OutSink outSink;
    std::size_t discarded = 0;
};

EmulatedUsbBus::Device::~Device() {
    std::lock_guard<std::mutex> guard(lock);
    for (auto* queue : {&pendingIn, &reapable}) {
        for (UrbRef& ref : *queue) {
            g_object_unref(ref.urb);
        }
        queue->clear();
    }
    if (handler) {
        g_signal_handlers_disconnect_by_data(handler, this);
        g_object_unref(handler);
    }
    if (fifo >= 0) {
        ::close(fifo);
    }
    if (worker) {
        g_main_context_unref(worker);
    }
}

void EmulatedUsbBus::Device::Start(const std::string& path) {
    nodePath = path;
    fifo = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fifo >= 0) {
        // One page: a single byte fills it, so POLLOUT follows whether anything can be reaped.
        ::fcntl(fifo, F_SETPIPE_SZ, 4096);
    }
    std::lock_guard<std::mutex> guard(lock);
    UpdateReadiness();
}

void EmulatedUsbBus::Device::UpdateReadiness() {
    if (fifo < 0) {
        return;
    }
    const bool ready = !reapable.empty();
    if (ready && fifoFull) {
        std::uint8_t drain[64];
        while (::read(fifo, drain, sizeof drain) > 0) {
        }
        fifoFull = false;
    } else if (!ready && !fifoFull) {
        const std::uint8_t one = 0;
        fifoFull = ::write(fifo, &one, 1) == 1;
    }
}

void EmulatedUsbBus::Device::RunOnWorker(std::function<void()> work) {
    GMainContext* ctx = nullptr;
    {
        std::lock_guard<std::mutex> guard(lock);
        ctx = worker ? g_main_context_ref(worker) : nullptr;
    }
    if (!ctx || g_main_context_is_owner(ctx)) {
        // No client has ever called: no URB exists that another thread could be touching.
        std::lock_guard<std::mutex> guard(lock);
        work();
        if (ctx) {
            g_main_context_unref(ctx);
        }
        return;
    }
    struct Job {
        Device* device;
        std::function<void()> work;
        bool done = false;
    };
    Job job{this, std::move(work)};
    g_main_context_invoke(
        ctx,
        [](gpointer data) -> gboolean {
            auto* j = static_cast<Job*>(data);
            std::lock_guard<std::mutex> guard(j->device->lock);
            j->work();
            j->done = true;
            j->device->workDone.notify_all();
            return G_SOURCE_REMOVE;
        },
        &job);
    std::unique_lock<std::mutex> guard(lock);
    workDone.wait(guard, [&] { return job.done; });
    g_main_context_unref(ctx);
}

void EmulatedUsbBus::Device::SendIn(const std::uint8_t* bytes, std::size_t length,
                                    bool zeroLengthPacket) {
    std::vector<std::vector<std::uint8_t>> packets;
    for (std::size_t at = 0; at < length; at += kPacketSize) {
        const std::size_t n = std::min(kPacketSize, length - at);
        packets.emplace_back(bytes + at, bytes + at + n);
    }
    if (length == 0 || (length % kPacketSize == 0 && zeroLengthPacket)) {
        packets.emplace_back();
    }
    RunOnWorker([this, &packets] {
        if (disconnected) {
            return;
        }
        for (auto& p : packets) {
            inPackets.push_back(std::move(p));
        }
        FillInUrbs();
        UpdateReadiness();
    });
}

void EmulatedUsbBus::Device::SetOutSink(OutSink sink) {
    std::lock_guard<std::mutex> guard(lock);
    outSink = std::move(sink);
}

std::vector<EmulatedBulkPipes::OutTransfer> EmulatedUsbBus::Device::OutTransfers() const {
    std::lock_guard<std::mutex> guard(lock);
    return outTransfers;
}

std::size_t EmulatedUsbBus::Device::InUrbsInFlight() const {
    std::lock_guard<std::mutex> guard(lock);
    return pendingIn.size();
}

std::size_t EmulatedUsbBus::Device::BytesHeldInUrbs() const {
    std::lock_guard<std::mutex> guard(lock);
    std::size_t n = 0;
    for (const UrbRef& ref : pendingIn) {
        n += ref.filled;
    }
    return n;
}

std::size_t EmulatedUsbBus::Device::InUrbsDiscarded() const {
    std::lock_guard<std::mutex> guard(lock);
    return discarded;
}

void EmulatedUsbBus::Device::Disconnect() {
    RunOnWorker([this] {
        disconnected = true;
        inPackets.clear();
        while (!pendingIn.empty()) {
            UrbRef ref = pendingIn.front();
            pendingIn.pop_front();
            Finish(ref, -ENODEV);
        }
        UpdateReadiness();
    });
}

void EmulatedUsbBus::Device::Finish(UrbRef ref, int status) {
    usbdevfs_urb* urb = UrbOf(ref);
    urb->status = status;
    urb->actual_length = static_cast<int>(ref.filled);
    reapable.push_back(ref);
}

void EmulatedUsbBus::Device::FillInUrbs() {
    while (!pendingIn.empty() && !inPackets.empty()) {
        UrbRef& ref = pendingIn.front();
        usbdevfs_urb* urb = UrbOf(ref);
        std::vector<std::uint8_t>& packet = inPackets.front();
        const std::size_t space = static_cast<std::size_t>(urb->buffer_length) - ref.filled;
        if (packet.size() > space) {
            // The packet does not fit the rest of the buffer: the host controller reports a
            // babble and the packet is lost.
            inPackets.pop_front();
            const UrbRef done = ref;
            pendingIn.pop_front();
            Finish(done, -EOVERFLOW);
            continue;
        }
        if (!packet.empty()) {
            // urb->buffer points at the local copy of the client's buffer (resolved at submit).
            std::copy(packet.begin(), packet.end(),
                      static_cast<std::uint8_t*>(urb->buffer) + ref.filled);
            ref.filled += packet.size();
        }
        const bool shortPacket = packet.size() < kPacketSize;
        inPackets.pop_front();
        if (shortPacket || ref.filled == static_cast<std::size_t>(urb->buffer_length)) {
            const UrbRef done = ref;
            pendingIn.pop_front();
            Finish(done, 0);
        }
    }
}

gboolean EmulatedUsbBus::Device::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client,
                                         gpointer self) {
    return static_cast<Device*>(self)->HandleIoctl(client) ? TRUE : FALSE;
}

void EmulatedUsbBus::Device::OnClientVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client,
                                              gpointer self) {
    auto* device = static_cast<Device*>(self);
    std::lock_guard<std::mutex> guard(device->lock);
    for (auto* queue : {&device->pendingIn, &device->reapable}) {
        for (auto it = queue->begin(); it != queue->end();) {
            if (it->client == client) {
                g_object_unref(it->urb);
                it = queue->erase(it);
            } else {
                ++it;
            }
        }
    }
    device->UpdateReadiness();
}

bool EmulatedUsbBus::Device::HandleIoctl(UMockdevIoctlClient* client) {
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    std::lock_guard<std::mutex> guard(lock);
    if (!worker) {
        worker = g_main_context_ref_thread_default();
    }
    if (disconnected && request != USBDEVFS_REAPURBNDELAY && request != USBDEVFS_REAPURB) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return true;
    }
    switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
            if (!caps) {
                umockdev_ioctl_client_complete(client, -1, EFAULT);
                return true;
            }
            *reinterpret_cast<guint32*>(caps->data) =
                USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
            g_object_unref(caps);
            umockdev_ioctl_client_complete(client, 0, 0);
            return true;
        }
        case USBDEVFS_CLAIMINTERFACE:
        case USBDEVFS_RELEASEINTERFACE:
        case USBDEVFS_SETINTERFACE:
        case USBDEVFS_CLEAR_HALT:
        case USBDEVFS_RESETEP:
        case USBDEVFS_RESET:
            umockdev_ioctl_client_complete(client, 0, 0);
            return true;
        case USBDEVFS_GETDRIVER:
        case USBDEVFS_IOCTL:
            // No kernel driver is bound to the interface.
            umockdev_ioctl_client_complete(client, -1, ENODATA);
            return true;
        case USBDEVFS_DISCONNECT_CLAIM:
            umockdev_ioctl_client_complete(client, -1, ENOTTY);
            return true;
        case USBDEVFS_SUBMITURB:
            Submit(client, arg);
            return true;
        case USBDEVFS_REAPURB:
        case USBDEVFS_REAPURBNDELAY:
            Reap(client, arg);
            return true;
        case USBDEVFS_DISCARDURB:
            Discard(client, arg);
            return true;
        default:
            std::fprintf(stderr, "emulated usb: unexpected ioctl 0x%lx\n", request);
            umockdev_ioctl_client_complete(client, -1, ENOTTY);
            return true;
    }
}

void EmulatedUsbBus::Device::Submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    if (!urbData) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return;
    }
    auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
    if (urb->buffer_length < 0) {
        g_object_unref(urbData);
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    const auto length = static_cast<std::size_t>(urb->buffer_length);
    if (length > 0) {
        UMockdevIoctlData* buffer =
            umockdev_ioctl_data_resolve(urbData, offsetof(usbdevfs_urb, buffer), length, nullptr);
        if (!buffer) {
            g_object_unref(urbData);
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return;
        }
        g_object_unref(buffer);  // urbData keeps it
    }
    UrbRef ref{client, urbData, 0};
    const bool bulk =
        urb->type == USBDEVFS_URB_TYPE_BULK && model.kind != EmulatedUsbDevice::Kind::kInterruptOnly;
    if (bulk && urb->endpoint == kEndpointIn) {
        pendingIn.push_back(ref);
        FillInUrbs();
    } else if (bulk && urb->endpoint == kEndpointOut) {
        const auto* bytes = static_cast<const std::uint8_t*>(urb->buffer);
        OutTransfer transfer;
        transfer.bytes.assign(bytes, bytes + length);
        transfer.zeroPacketFlag = (urb->flags & USBDEVFS_URB_ZERO_PACKET) != 0;
        outTransfers.push_back(transfer);
        ref.filled = length;
        Finish(ref, 0);
        if (outSink && length > 0) {
            outSink(transfer.bytes.data(), transfer.bytes.size());
        }
    } else if (urb->type == USBDEVFS_URB_TYPE_CONTROL) {
        // Standard requests are answered from sysfs by the host; anything sent here stalls.
        Finish(ref, -EPIPE);
    } else {
        g_object_unref(urbData);
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    UpdateReadiness();
    umockdev_ioctl_client_complete(client, 0, 0);
}

void EmulatedUsbBus::Device::Reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    auto it = std::find_if(reapable.begin(), reapable.end(),
                           [client](const UrbRef& ref) { return ref.client == client; });
    if (it == reapable.end()) {
        umockdev_ioctl_client_complete(client, -1, disconnected ? ENODEV : EAGAIN);
        return;
    }
    UrbRef ref = *it;
    reapable.erase(it);
    UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
    if (!slot) {
        g_object_unref(ref.urb);
        UpdateReadiness();
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return;
    }
    // The client's pointer now names its own URB; the URB and its buffer are written back.
    umockdev_ioctl_data_set_ptr(slot, 0, ref.urb);
    g_object_unref(slot);
    g_object_unref(ref.urb);
    UpdateReadiness();
    umockdev_ioctl_client_complete(client, 0, 0);
}

void EmulatedUsbBus::Device::Discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    const gulong address = *reinterpret_cast<const gulong*>(arg->data);
    auto it = std::find_if(pendingIn.begin(), pendingIn.end(), [&](const UrbRef& ref) {
        return ref.client == client && ref.urb->client_addr == address;
    });
    if (it == pendingIn.end()) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    // A discarded URB comes back with the bytes it already holds.
    const UrbRef ref = *it;
    pendingIn.erase(it);
    ++discarded;
    Finish(ref, -ENOENT);
    UpdateReadiness();
    umockdev_ioctl_client_complete(client, 0, 0);
}

// ---------------------------------------------------------------------------------------------
// EmulatedUsbBus

EmulatedUsbBus::EmulatedUsbBus() {
    UMockdevTestbed* testbed = umockdev_testbed_new();
    m_testbed = testbed;
    gchar* root = umockdev_testbed_get_root_dir(testbed);
    m_rootDir = root;
    g_free(root);
}

EmulatedUsbBus::~EmulatedUsbBus() {
    for (auto& [address, device] : m_devices) {
        device->Disconnect();
    }
    m_devices.clear();
    g_object_unref(static_cast<UMockdevTestbed*>(m_testbed));
}

bool EmulatedUsbBus::InMockEnvironment() {
    return umockdev_in_mock_environment() != FALSE;
}

void EmulatedUsbBus::DropFileAccessOverride() {
    if (::geteuid() != 0) {
        return;
    }
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0) {
        return;
    }
    for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {
        data[cap / 32].effective &= ~(1u << (cap % 32));
    }
    ::syscall(SYS_capset, &header, data);
}

std::vector<std::pair<std::string, std::string>> EmulatedUsbBus::ChildEnvironment() const {
    std::string preload = kPreloadLibrary;
#ifdef VANTO_ASAN_RUNTIME
    // The sanitizer's runtime must come first in a sanitized child's library list.
    preload = std::string(VANTO_ASAN_RUNTIME) + ":" + preload;
#endif
    return {{"LD_PRELOAD", preload}, {"UMOCKDEV_DIR", m_rootDir}};
}

int EmulatedUsbBus::Plug(const EmulatedUsbDevice& model) {
    auto* testbed = static_cast<UMockdevTestbed*>(m_testbed);
    const int address = m_nextAddress++;
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/001/%03d", address);
    auto device = std::make_unique<Device>();
    device->model = model;
    device->address = address;
    device->syspath = "/sys/devices/usb1/1-" + std::to_string(model.port);

    // The node is made first, as a FIFO, so libusb never sees a plain file there.
    const std::string nodePath = m_rootDir + node;
    const std::string dir = nodePath.substr(0, nodePath.rfind('/'));
    g_mkdir_with_parents(dir.c_str(), 0755);
    ::unlink(nodePath.c_str());
    if (::mkfifo(nodePath.c_str(), 0666) != 0) {
        std::fprintf(stderr, "emulated usb: cannot make %s\n", nodePath.c_str());
    }
    ::chmod(nodePath.c_str(), 0666);

    device->handler = umockdev_ioctl_base_new();
    g_signal_connect(device->handler, "handle-ioctl", G_CALLBACK(Device::OnIoctl), device.get());
    g_signal_connect(device->handler, "client-vanished", G_CALLBACK(Device::OnClientVanished),
                     device.get());
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed, node, device->handler, &error)) {
        std::fprintf(stderr, "emulated usb: attach_ioctl: %s\n", error ? error->message : "?");
        g_clear_error(&error);
    }
    device->Start(nodePath);

    char busdev[64];
    std::snprintf(busdev, sizeof busdev, "E: BUSNUM=001\nE: DEVNUM=%03d\n", address);
    char ids[96];
    std::snprintf(ids, sizeof ids, "A: idVendor=%04x\nA: idProduct=%04x\nE: PRODUCT=%x/%x/100\n",
                  model.vendor, model.product, model.vendor, model.product);
    std::string text = "P: /devices/usb1/1-" + std::to_string(model.port) +
                       "\n"
                       "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n"
                       "E: DEVNAME=" +
                       std::string(node) + "\n" + busdev + ids +
                       "A: busnum=1\nA: devnum=" + std::to_string(address) +
                       "\nA: speed=12\nA: bConfigurationValue=1\nA: bNumConfigurations=1\n"
                       "A: manufacturer=" +
                       model.manufacturer + "\nA: product=" + model.productName + "\n";
    if (!model.serial.empty()) {
        text += "A: serial=" + model.serial + "\n";
    }
    text += "H: descriptors=" + Hex(Descriptors(model)) + "\n";
    if (!umockdev_testbed_add_from_string(testbed, text.c_str(), &error)) {
        std::fprintf(stderr, "emulated usb: add device: %s\n", error ? error->message : "?");
        g_clear_error(&error);
    }
    m_devices[address] = std::move(device);
    return address;
}

void EmulatedUsbBus::Unplug(int address) {
    auto it = m_devices.find(address);
    if (it == m_devices.end()) {
        return;
    }
    Device& device = *it->second;
    auto* testbed = static_cast<UMockdevTestbed*>(m_testbed);
    // As the kernel does: the URBs end first, then udev hears of it, then the entry goes.
    device.Disconnect();
    umockdev_testbed_uevent(testbed, device.syspath.c_str(), "remove");
    umockdev_testbed_remove_device(testbed, device.syspath.c_str());
    ::unlink(device.nodePath.c_str());
    // The handler stays for handles that are still open: they keep getting ENODEV.
}

void EmulatedUsbBus::SetNodeReadable(int address, bool readable) {
    auto it = m_devices.find(address);
    if (it != m_devices.end()) {
        ::chmod(it->second->nodePath.c_str(), readable ? 0666 : 0);
    }
}

EmulatedBulkPipes* EmulatedUsbBus::Pipes(int address) {
    auto it = m_devices.find(address);
    if (it == m_devices.end() || it->second->model.kind != EmulatedUsbDevice::Kind::kRemote) {
        return nullptr;
    }
    return it->second.get();
}

// ---------------------------------------------------------------------------------------------
// UsbRemoteBridge

struct UsbRemoteBridge::State {
    std::mutex lock;
    EmulatedBulkPipes* pipes = nullptr;
    bool zeroLengthPackets = false;
    int fd = -1;
    int wakeFd = -1;
    bool stop = false;
    std::thread thread;
};

UsbRemoteBridge::UsbRemoteBridge(const std::string& ttyPath, bool zeroLengthPackets)
    : m_state(std::make_shared<State>()) {
    m_fd = ::open(ttyPath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_fd < 0) {
        return;
    }
    State& state = *m_state;
    state.fd = m_fd;
    state.zeroLengthPackets = zeroLengthPackets;
    state.wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    state.thread = std::thread([&state] {
        std::uint8_t buffer[4096];
        for (;;) {
            pollfd fds[2] = {{state.fd, POLLIN, 0}, {state.wakeFd, POLLIN, 0}};
            ::poll(fds, 2, 100);
            {
                std::lock_guard<std::mutex> guard(state.lock);
                if (state.stop) {
                    return;
                }
            }
            if ((fds[0].revents & POLLIN) == 0) {
                continue;
            }
            const ssize_t got = ::read(state.fd, buffer, sizeof buffer);
            if (got <= 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            std::lock_guard<std::mutex> guard(state.lock);
            if (state.pipes) {
                state.pipes->SendIn(buffer, static_cast<std::size_t>(got), state.zeroLengthPackets);
            }
        }
    });
}

UsbRemoteBridge::~UsbRemoteBridge() {
    Attach(nullptr);
    if (m_fd < 0) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(m_state->lock);
        m_state->stop = true;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_state->wakeFd, &one, sizeof one);
    m_state->thread.join();
    ::close(m_state->wakeFd);
    ::close(m_fd);
}

void UsbRemoteBridge::Attach(EmulatedBulkPipes* pipes) {
    std::lock_guard<std::mutex> guard(m_state->lock);
    if (m_state->pipes) {
        m_state->pipes->SetOutSink(nullptr);
    }
    m_state->pipes = pipes;
    if (pipes) {
        const int fd = m_fd;
        pipes->SetOutSink([fd](const std::uint8_t* bytes, std::size_t length) {
            std::size_t sent = 0;
            while (sent < length) {
                const ssize_t n = ::write(fd, bytes + sent, length - sent);
                if (n <= 0) {
                    return;
                }
                sent += static_cast<std::size_t>(n);
            }
        });
    }
}

}  // namespace vanto::test

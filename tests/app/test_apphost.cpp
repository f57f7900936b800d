// The engine host on a real Qt event loop: numbered timers, the byte bridge from a foreign
// thread, and the wiring of engine, link, poll and trace.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/host/engine_host.h"
#include "app/host/link_bridge.h"
#include "app/host/qt_timer_host.h"
#include "protocol/frames.h"
#include "tools/engine_inspector.h"

using vanto::host::EngineHost;
using vanto::host::LinkBridge;
using vanto::host::QtTimerHost;

namespace {

struct Expiry {
    int id;
    qint64 atMs;
};

class FakeLink final : public vanto::DeviceLink {
public:
    bool IsPresent() override { return present; }
    vanto::OpenResult OpenLink(const vanto::LinkCallbacks& cb) override {
        if (running) {
            return vanto::OpenResult::kAlreadyRunning;
        }
        ++opens;
        callbacks = cb;
        running = true;
        return vanto::OpenResult::kStarted;
    }
    vanto::WriteReport WriteLink(const std::uint8_t* bytes, std::size_t n) override {
        std::lock_guard<std::mutex> guard(writeLock);
        written.emplace_back(bytes, bytes + n);
        writerThread = std::this_thread::get_id();
        vanto::WriteReport report;
        report.queued = true;
        report.droppedFrames = dropOnWrite;
        report.droppedBytes = 8 * dropOnWrite;
        return report;
    }
    std::size_t WrittenCount() {
        std::lock_guard<std::mutex> guard(writeLock);
        return written.size();
    }
    void Close() override {
        running = false;
        ++closes;
    }

    bool present = true;
    bool running = false;
    int opens = 0;
    int closes = 0;
    vanto::LinkCallbacks callbacks;
    std::mutex writeLock;
    std::vector<std::vector<std::uint8_t>> written;
    std::thread::id writerThread;
    std::size_t dropOnWrite = 0;
};

class DropTrace final : public vanto::FrameTraceSink {
public:
    void OnFrameReceived(const std::uint8_t*, std::size_t) override { ++received; }
    void OnFrameSent(const std::uint8_t*, std::size_t) override { ++sent; }
    void OnDropped(vanto::DropSite site, std::size_t frames, std::size_t bytes) override {
        drops.push_back({site, frames, bytes});
    }
    struct Drop {
        vanto::DropSite site;
        std::size_t frames;
        std::size_t bytes;
    };
    int received = 0;
    int sent = 0;
    std::vector<Drop> drops;
};

class FakePage final : public vanto::TransferPage {
public:
    int FunctionIndex() const override { return 0; }
    long OnTransferNotify(int, const vanto::NotifyParam&) override { return 0; }
};

class FakeRegistry final : public vanto::PageRegistry {
public:
    vanto::TransferPage* Page(int index) override { return index == 0 ? &page : nullptr; }
    vanto::TransferPage* ShowingPage() override { return &page; }
    FakePage page;
};

class NoAlert final : public vanto::ModalAlert {
public:
    void ShowModal(const std::string&) override {}
};

}  // namespace

class TestTimerHost : public QObject {
    Q_OBJECT
private slots:
    void ExpiresOnceAfterItsPeriod() {
        QElapsedTimer clock;
        std::vector<Expiry> fired;
        QtTimerHost host([&](int id) { fired.push_back({id, clock.elapsed()}); });
        clock.start();
        host.Arm(110, 40);
        QVERIFY(host.IsArmed(110));
        QCOMPARE(host.ArmedPeriod(110), 40);
        QTRY_COMPARE_WITH_TIMEOUT(fired.size(), std::size_t{1}, 2000);
        QCOMPARE(fired[0].id, 110);
        QVERIFY(fired[0].atMs >= 38);
        QVERIFY(!host.IsArmed(110));
        QTest::qWait(100);
        QCOMPARE(fired.size(), std::size_t{1});
    }

    void ReArmStartsThePeriodAgain() {
        QElapsedTimer clock;
        std::vector<Expiry> fired;
        QtTimerHost host([&](int id) { fired.push_back({id, clock.elapsed()}); });
        clock.start();
        host.Arm(120, 60);
        QTest::qWait(40);
        host.Arm(120, 60);
        QTRY_COMPARE_WITH_TIMEOUT(fired.size(), std::size_t{1}, 2000);
        QVERIFY2(fired[0].atMs >= 98, qPrintable(QString::number(fired[0].atMs)));
        QTest::qWait(100);
        QCOMPARE(fired.size(), std::size_t{1});
    }

    void DisarmCancelsAndUnknownIdsAreHarmless() {
        std::vector<int> fired;
        QtTimerHost host([&](int id) { fired.push_back(id); });
        host.Disarm(999);
        host.Arm(130, 20);
        host.Arm(140, 20);
        host.Disarm(130);
        QTRY_COMPARE_WITH_TIMEOUT(fired.size(), std::size_t{1}, 2000);
        QTest::qWait(60);
        QCOMPARE(fired, std::vector<int>{140});
    }

    void HandlerMayReArmItsOwnTimer() {
        int count = 0;
        QtTimerHost* self = nullptr;
        QtTimerHost host([&](int id) {
            if (++count < 3) {
                self->Arm(id, 5);
            }
        });
        self = &host;
        host.Arm(190, 5);
        QTRY_COMPARE_WITH_TIMEOUT(count, 3, 2000);
        QTest::qWait(40);
        QCOMPARE(count, 3);
    }

    void RepeatingTimerKeepsGoingUntilDisarmed() {
        int count = 0;
        QtTimerHost host([&](int) { ++count; });
        host.ArmRepeating(100, 10);
        QTRY_VERIFY_WITH_TIMEOUT(count >= 3, 2000);
        host.Disarm(100);
        const int stopped = count;
        QTest::qWait(50);
        QCOMPARE(count, stopped);
    }

    void ArmFromAnotherThreadExpiresOnTheHostThread() {
        QThread* expiredOn = nullptr;
        QtTimerHost host([&](int) { expiredOn = QThread::currentThread(); });
        std::thread other([&] { host.Arm(150, 5); });
        other.join();
        QTRY_VERIFY_WITH_TIMEOUT(expiredOn != nullptr, 2000);
        QCOMPARE(expiredOn, QThread::currentThread());
    }
};

class TestLinkBridge : public QObject {
    Q_OBJECT
private slots:
    void BytesFromAReaderThreadArriveInOrderOnTheBridgeThread() {
        std::vector<std::uint8_t> got;
        bool wrongThread = false;
        LinkBridge bridge([&](const std::uint8_t* d, std::size_t n) {
            wrongThread |= QThread::currentThread() != bridge.thread();
            got.insert(got.end(), d, d + n);
        });
        constexpr int kChunks = 2000;
        std::thread reader([&] {
            for (int i = 0; i < kChunks; ++i) {
                const std::uint8_t chunk[3] = {static_cast<std::uint8_t>(i),
                                               static_cast<std::uint8_t>(i >> 8), 0xAA};
                bridge.PushBytes(chunk, sizeof chunk);
            }
        });
        reader.join();
        QTRY_COMPARE_WITH_TIMEOUT(got.size(), std::size_t{3 * kChunks}, 5000);
        QVERIFY(!wrongThread);
        for (int i = 0; i < kChunks; ++i) {
            QCOMPARE(got[3 * i], static_cast<std::uint8_t>(i));
            QCOMPARE(got[3 * i + 1], static_cast<std::uint8_t>(i >> 8));
            QCOMPARE(got[3 * i + 2], std::uint8_t{0xAA});
        }
        QCOMPARE(bridge.BytesDelivered(), std::size_t{3 * kChunks});
    }

    // A page that opens a modal box inside a delivery runs a nested event loop; bytes that come
    // meanwhile must wait until the delivery in progress has returned.
    void NestedEventLoopDoesNotInterleaveDeliveries() {
        std::string got;
        int depth = 0;
        int maxDepth = 0;
        LinkBridge* self = nullptr;
        LinkBridge bridge([&](const std::uint8_t* d, std::size_t n) {
            ++depth;
            maxDepth = std::max(maxDepth, depth);
            got.append(reinterpret_cast<const char*>(d), n);
            if (got == "ab") {
                self->PushBytes(reinterpret_cast<const std::uint8_t*>("cd"), 2);
                QEventLoop nested;
                QTimer::singleShot(20, &nested, &QEventLoop::quit);
                nested.exec();
                got += "|";
            }
            --depth;
        });
        self = &bridge;
        bridge.PushBytes(reinterpret_cast<const std::uint8_t*>("ab"), 2);
        QTRY_COMPARE_WITH_TIMEOUT(got, std::string("ab|cd"), 2000);
        QCOMPARE(maxDepth, 1);
    }

    // A reader that outruns the engine's thread: the oldest bytes make room for the newest, and
    // the drop is told with the next delivery.
    void BoundKeepsTheNewestBytes() {
        std::vector<std::uint8_t> got;
        std::size_t told = 0;
        LinkBridge bridge(
            [&](const std::uint8_t* d, std::size_t n) { got.insert(got.end(), d, d + n); });
        bridge.SetDropSink([&](std::size_t bytes) { told += bytes; });
        constexpr std::size_t kChunk = 10000;
        constexpr std::size_t kChunks = LinkBridge::kMaxBytes / kChunk + 5;
        std::thread reader([&] {
            for (std::size_t i = 0; i < kChunks; ++i) {
                const std::vector<std::uint8_t> chunk(kChunk, static_cast<std::uint8_t>(i));
                bridge.PushBytes(chunk.data(), chunk.size());
            }
        });
        reader.join();
        bridge.Drain();
        const std::size_t dropped = kChunks * kChunk - LinkBridge::kMaxBytes;
        QCOMPARE(got.size(), LinkBridge::kMaxBytes);
        QCOMPARE(told, dropped);
        QCOMPARE(bridge.BytesDropped(), dropped);
        QCOMPARE(got.front(), static_cast<std::uint8_t>(dropped / kChunk));
        QCOMPARE(got.back(), static_cast<std::uint8_t>(kChunks - 1));
    }
};

class TestEngineHost : public QObject {
    Q_OBJECT
private slots:
    void StartGivesTheEngineItsJobPageAndPollsTheDevice() {
        FakeRegistry registry;
        NoAlert alert;
        auto link = std::make_unique<FakeLink>();
        FakeLink* fake = link.get();
        EngineHost host(registry, alert, std::move(link));
        std::vector<std::string> status;
        host.SetStatusSink([&](const std::string& text) { status.push_back(text); });
        host.Start();
        QVERIFY(host.Timers().IsArmed(vanto::TransferEngine::TIMER_INIT_VIEW));
        QCOMPARE(host.Timers().ArmedPeriod(vanto::TransferEngine::TIMER_DEVICE_POLL), 200);
        QCOMPARE(vanto::EngineInspector(host.Engine()).JobView(),
                 static_cast<const vanto::TransferPage*>(nullptr));
        QTRY_COMPARE_WITH_TIMEOUT(vanto::EngineInspector(host.Engine()).JobView(),
                                  static_cast<const vanto::TransferPage*>(&registry.page), 2000);
        QTRY_COMPARE_WITH_TIMEOUT(status.size(), std::size_t{1}, 2000);
        QCOMPARE(status[0], std::string(" DEVICE : CONNECTED"));
        QCOMPARE(fake->opens, 1);

        // Bytes from the reader thread reach the engine on this thread.
        std::thread reader([&] {
            const std::uint8_t stray[] = {0x0F};
            fake->callbacks.onBytes(stray, sizeof stray);
        });
        reader.join();
        QTRY_COMPARE_WITH_TIMEOUT(host.Bridge().BytesDelivered(), std::size_t{1}, 2000);

        // A whole request from the reader thread gets the engine's answer handed to the link on
        // the engine's thread (the link's own queue does any waiting); the trace sees both frames
        // and the drop the link reports.
        DropTrace trace;
        host.SetTraceSink(&trace);
        fake->dropOnWrite = 3;
        std::thread remote([&] {
            std::uint8_t frame[16];
            const std::size_t n = vanto::BuildRequest(frame, 'P');
            fake->callbacks.onBytes(frame, n);
        });
        remote.join();
        QTRY_VERIFY_WITH_TIMEOUT(fake->WrittenCount() >= 1, 3000);
        {
            std::lock_guard<std::mutex> guard(fake->writeLock);
            QCOMPARE(fake->written[0].front(), vanto::FRAME_START);
            QCOMPARE(fake->writerThread, std::this_thread::get_id());
        }
        QCOMPARE(trace.received, 1);
        QCOMPARE(trace.sent, 1);
        QCOMPARE(trace.drops.size(), std::size_t{1});
        QVERIFY(trace.drops[0].site == vanto::DropSite::kOutgoing);
        QCOMPARE(trace.drops[0].frames, std::size_t{3});

        fake->present = false;
        QTRY_COMPARE_WITH_TIMEOUT(status.size(), std::size_t{2}, 2000);
        QCOMPARE(status[1], std::string(" DEVICE : DISCONNECTED"));
        host.Stop();
        QCOMPARE(fake->closes, 1);
        QVERIFY(!host.Timers().IsArmed(vanto::TransferEngine::TIMER_DEVICE_POLL));
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int status = 0;
    TestTimerHost timers;
    status |= QTest::qExec(&timers, argc, argv);
    TestLinkBridge bridge;
    status |= QTest::qExec(&bridge, argc, argv);
    TestEngineHost engine;
    status |= QTest::qExec(&engine, argc, argv);
    return status;
}

#include "test_apphost.moc"

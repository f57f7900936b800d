// The engine host on a real Qt event loop: numbered timers, the byte bridge from a foreign
// thread, and the wiring of engine, link and poll.
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
#include "app/host/frame_writer_thread.h"
#include "app/host/link_bridge.h"
#include "app/host/qt_timer_host.h"
#include "protocol/frames.h"

using vanto::host::EngineHost;
using vanto::host::FrameWriterThread;
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
    bool WriteLink(const std::uint8_t* bytes, std::size_t n) override {
        std::lock_guard<std::mutex> guard(writeLock);
        written.emplace_back(bytes, bytes + n);
        writerThread = std::this_thread::get_id();
        return true;
    }
    std::size_t WrittenCount() {
        std::lock_guard<std::mutex> guard(writeLock);
        return written.size();
    }
    bool IsReaderRunning() const override { return running; }
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
};

class FakePage final : public vanto::TransferPage {
public:
    int FunctionIndex() const override { return 0; }
    long OnTransferNotify(int, std::intptr_t) override { return 0; }
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

    void PostedCallRunsBetweenTheBytesAroundIt() {
        std::string got;
        LinkBridge bridge([&](const std::uint8_t* d, std::size_t n) {
            got.append(reinterpret_cast<const char*>(d), n);
        });
        bridge.PushBytes(reinterpret_cast<const std::uint8_t*>("ab"), 2);
        bridge.PostAfterBytes([&] { got += "#"; });
        bridge.PushBytes(reinterpret_cast<const std::uint8_t*>("cd"), 2);
        QTRY_COMPARE_WITH_TIMEOUT(got, std::string("ab#cd"), 2000);
    }

    void WriteFailuresAreCounted() {
        LinkBridge bridge(nullptr);
        const std::uint8_t frame[2] = {0x0F, 0x0E};
        bridge.WriteFrame(frame, 2);  // no writer yet
        std::vector<std::size_t> lengths;
        bridge.SetWriter([&](const std::uint8_t*, std::size_t n) {
            lengths.push_back(n);
            return lengths.size() != 2;
        });
        bridge.WriteFrame(frame, 2);
        bridge.WriteFrame(frame, 1);
        QCOMPARE(bridge.FramesWritten(), std::size_t{3});
        QCOMPARE(bridge.WriteFailures(), std::size_t{2});
        QCOMPARE(lengths, (std::vector<std::size_t>{2, 1}));
    }
};

class TestFrameWriterThread : public QObject {
    Q_OBJECT
private slots:
    // A stalled link delays the frames, never the thread that posts them.
    void PostingNeverWaitsForTheLinkAndOrderHolds() {
        std::mutex lock;
        std::vector<int> order;
        std::thread::id writerThread;
        FrameWriterThread writer([&](const std::uint8_t* frame, std::size_t n) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            std::lock_guard<std::mutex> guard(lock);
            writerThread = std::this_thread::get_id();
            order.push_back(frame[0] | (n == 2 ? frame[1] << 8 : 0));
            return frame[0] != 3;
        });
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 10; ++i) {
            const std::uint8_t frame[2] = {static_cast<std::uint8_t>(i), 0};
            writer.Post(frame, 2);
        }
        // Ten writes take 200 ms; posting them must not.
        QVERIFY2(clock.elapsed() < 100, qPrintable(QString::number(clock.elapsed())));
        writer.Flush();
        QCOMPARE(order, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
        QVERIFY(writerThread != std::this_thread::get_id());
        QCOMPARE(writer.Written(), std::size_t{9});
        QCOMPARE(writer.Failed(), std::size_t{1});
    }

    // A link that takes frames without waiting gets them on the posting thread; what it does not
    // take goes to the writer thread, and every frame after it waits its turn there.
    void DirectWritesKeepTheOrderWhenTheLinkFillsUp() {
        std::mutex lock;
        std::vector<std::uint8_t> wire;
        std::vector<std::thread::id> writers;
        std::size_t room = 1000;  // what the link takes without waiting
        int tries = 0;
        std::atomic<bool> release{true};
        auto put = [&](const std::uint8_t* frame, std::size_t n) {
            wire.insert(wire.end(), frame, frame + n);
            writers.push_back(std::this_thread::get_id());
        };
        FrameWriterThread writer(
            [&](const std::uint8_t* frame, std::size_t n) {
                while (!release) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
                std::lock_guard<std::mutex> guard(lock);
                put(frame, n);
                return true;
            },
            [&](const std::uint8_t* frame, std::size_t n) -> std::optional<std::size_t> {
                std::lock_guard<std::mutex> guard(lock);
                ++tries;
                const std::size_t take = std::min(room, n);
                room -= take;
                put(frame, take);
                return take;
            });
        std::vector<std::uint8_t> expected;
        auto post = [&](std::uint8_t seed, std::size_t n) {
            std::vector<std::uint8_t> frame(n);
            for (std::size_t i = 0; i < n; ++i) {
                frame[i] = static_cast<std::uint8_t>(seed + i);
            }
            expected.insert(expected.end(), frame.begin(), frame.end());
            writer.Post(frame.data(), n);
        };
        post(1, 600);  // taken whole, here
        QCOMPARE(writer.Written(), std::size_t{1});
        {
            std::lock_guard<std::mutex> guard(lock);
            QCOMPARE(writers.back(), std::this_thread::get_id());
        }
        release = false;  // the writer thread stalls: the rest of frame 2 waits there
        post(2, 600);     // 400 taken here, 200 left for the writer thread
        room = 5000;      // the link has room again, but the queue is not empty
        post(3, 50);
        post(4, 70);
        {
            std::lock_guard<std::mutex> guard(lock);
            QCOMPARE(tries, 2);  // frames 3 and 4 were not tried here
        }
        release = true;
        writer.Flush();
        QCOMPARE(wire, expected);
        QCOMPARE(writer.Written(), std::size_t{4});
        post(5, 10);  // the queue is empty again: written here
        QCOMPARE(tries, 3);
        QCOMPARE(wire, expected);
    }

    // Without a TryWrite answer (a link that must wait) every frame goes to the writer thread.
    void LinkThatCannotTryWritesEverythingOnTheWriterThread() {
        std::mutex lock;
        std::vector<std::thread::id> writers;
        FrameWriterThread writer(
            [&](const std::uint8_t*, std::size_t) {
                std::lock_guard<std::mutex> guard(lock);
                writers.push_back(std::this_thread::get_id());
                return true;
            },
            [](const std::uint8_t*, std::size_t) { return std::optional<std::size_t>(); });
        const std::uint8_t frame[3] = {1, 2, 3};
        writer.Post(frame, 3);
        writer.Post(frame, 3);
        writer.Flush();
        QCOMPARE(writers.size(), std::size_t{2});
        QVERIFY(writers[0] != std::this_thread::get_id());
        QCOMPARE(writer.Written(), std::size_t{2});
    }

    void DroppedFramesAreNotWritten() {
        std::atomic<int> count{0};
        std::atomic<bool> release{false};
        std::atomic<bool> started{false};
        FrameWriterThread writer([&](const std::uint8_t*, std::size_t) {
            started = true;
            while (!release) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            ++count;
            return true;
        });
        const std::uint8_t frame[1] = {1};
        writer.Post(frame, 1);
        QTRY_VERIFY(started.load());  // the first write is under way
        writer.Post(frame, 1);
        writer.Post(frame, 1);
        writer.DropPending();
        release = true;
        writer.Flush();
        QCOMPARE(count.load(), 1);
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
        QCOMPARE(host.Engine().JobView(), static_cast<vanto::TransferPage*>(nullptr));
        QTRY_COMPARE_WITH_TIMEOUT(host.Engine().JobView(),
                                  static_cast<vanto::TransferPage*>(&registry.page), 2000);
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

        // A whole request from the reader thread gets the engine's answer written to the link,
        // on the writer thread.
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
            QVERIFY(fake->writerThread != std::this_thread::get_id());
        }

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
    TestFrameWriterThread writer;
    status |= QTest::qExec(&writer, argc, argv);
    TestEngineHost engine;
    status |= QTest::qExec(&engine, argc, argv);
    return status;
}

#include "test_apphost.moc"

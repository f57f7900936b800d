// The real window, offscreen, against the simulated remote over a pseudo-terminal in real time:
// the application object and main frame as the program builds them, with the link "tty:PATH".
// A database download is watched while it runs: the page's message line and progress bar are
// sampled every millisecond, and the remote must hold the file byte for byte at the end.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <vector>

#include "app/gui/forms/function_form.h"
#include "app/gui/tavro_app.h"
#include "link/link_factory.h"
#include "tests/app/window_test_support.h"
#include "tests/pages/page_test_support.h"
#include "tools/realtime_remote_runner.h"

using namespace vanto;
using namespace vanto::gui;

namespace {

struct Sample {
    QString message;
    int bar = 0;
};

// The percentage of a " 50% PROCESSING..." line, or -1 for any other text.
int PercentOf(const QString& message) {
    static const QRegularExpression re(QStringLiteral("^ *(\\d{1,3})% PROCESSING\\.\\.\\.$"));
    const auto match = re.match(message);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QString Transcript(const std::vector<Sample>& samples) {
    QStringList lines;
    for (const Sample& s : samples) {
        lines << QStringLiteral("[%1] %2").arg(s.bar).arg(s.message);
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

class TestWindowTransfer : public QObject {
    Q_OBJECT
private slots:
    void DatabaseDownloadShowsProgressWhileItRuns() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::string linkPath = dir.filePath(QStringLiteral("remote")).toStdString();
        RealtimeRemoteRunner runner(linkPath);
        QVERIFY(runner.Plug());
        // 98 blocks: with at most 100 blocks every block moves the percentage, so the last one
        // shows "DOWNLOAD COMPLETED." (with more, the last two share 100%).
        constexpr int kBlocks = 98;
        // Every frame of the remote comes 8 ms late, so the download takes about a second and
        // each text the page shows stays long enough to be seen by the sampler; the answers to
        // the last two blocks come 100 ms late, so "DOWNLOAD COMPLETED." is seen even on a busy
        // machine.
        runner.Call([](SimulatedRemote& r) {
            r.OutputFaults().SetRule([&r](const std::uint8_t*, std::size_t, std::uint64_t) {
                FrameFault fault;
                fault.extraDelayMs = r.BlocksReceived() >= kBlocks - 1 ? 100 : 8;
                return fault;
            });
        });

        const ByteBuffer database = test::MakeDatabase((kBlocks - 1) * 2048 + 1500, 31);
        const std::string dbPath = dir.filePath(QStringLiteral("codes.bin")).toStdString();
        test::WriteFile(dbPath, database);

        CTavroApp app;
        CTavroApp::Options options;
        options.singleInstance = false;
        options.frame.makeLink = [linkPath]() -> std::unique_ptr<DeviceLink> {
            LinkOption link;
            std::string error;
            if (!ParseLinkOption("tty:" + linkPath, link, error)) {
                return nullptr;
            }
            return MakeDeviceLink(link, [](const std::string&) {});
        };
        QVERIFY(app.InitInstance(std::move(options)));
        CMainFrame& frame = *app.Frame();

        FunctionForm* form = window_test::ChooseFile(app, 1, dbPath);
        QVERIFY(form);
        QCOMPARE(form->MessageText(0), QStringLiteral("Database Ready!"));
        QTRY_COMPARE_WITH_TIMEOUT(frame.StatusText(), QStringLiteral(" DEVICE : CONNECTED"), 5000);

        std::vector<Sample> samples;
        QTimer sampler;
        sampler.setInterval(1);
        QObject::connect(&sampler, &QTimer::timeout, [&] {
            const Sample now{form->MessageText(0), form->ProgressValue()};
            if (samples.empty() || samples.back().message != now.message ||
                samples.back().bar != now.bar) {
                samples.push_back(now);
            }
        });
        sampler.start();
        QElapsedTimer clock;
        clock.start();
        runner.Call([](SimulatedRemote& r) { r.StartDownload('P'); });

        const auto remoteDone = [&] {
            bool done = false;
            runner.Call([&](SimulatedRemote& r) { done = !r.Busy(); });
            return done;
        };
        QTRY_VERIFY_WITH_TIMEOUT(remoteDone(), 20000);
        const qint64 transferMs = clock.elapsed();
        QTRY_COMPARE_WITH_TIMEOUT(form->MessageText(0), QStringLiteral("Waiting for request..."),
                                  5000);
        QTest::qWait(20);
        sampler.stop();
        qInfo("transfer took %lld ms, %zu distinct samples", static_cast<long long>(transferMs),
              samples.size());

        // The remote holds exactly the file.
        RemoteOutcome outcome = RemoteOutcome::kIdle;
        std::string diff;
        int blocks = 0;
        runner.Call([&](SimulatedRemote& r) {
            outcome = r.Outcome();
            blocks = r.BlocksReceived();
            diff = test::ByteDiff(r.ReceivedData(), database);
        });
        QCOMPARE(outcome, RemoteOutcome::kCompleted);
        QCOMPARE(QString::fromStdString(diff), QString());
        QCOMPARE(blocks, kBlocks);

        // While it ran: percentages on the message line, rising, some strictly between 0 and
        // 100, and the bar strictly between its ends at some moment.
        const QString all = Transcript(samples);
        std::vector<int> percents;
        bool barMidway = false;
        for (const Sample& s : samples) {
            if (const int p = PercentOf(s.message); p >= 0) {
                QVERIFY2(percents.empty() || p >= percents.back(), qPrintable(all));
                percents.push_back(p);
            }
            barMidway |= s.bar > 0 && s.bar < 100;
        }
        QVERIFY2(barMidway, qPrintable(all));
        int midway = 0;
        for (int p : percents) {
            midway += p > 0 && p < 100 ? 1 : 0;
        }
        QVERIFY2(midway >= 3, qPrintable(all));

        // Then the end, in this order, and the bar back at 0.
        QStringList tail;
        for (const Sample& s : samples) {
            if (PercentOf(s.message) < 0 && (tail.isEmpty() || tail.back() != s.message)) {
                tail << s.message;
            }
        }
        QVERIFY2(tail.size() >= 3, qPrintable(all));
        QCOMPARE(
            tail.mid(tail.size() - 3),
            QStringList({"DOWNLOAD COMPLETED.", "End of Communication", "Waiting for request..."}));
        QCOMPARE(samples.back().bar, 0);
        QCOMPARE(form->ProgressValue(), 0);
        // The file stays chosen for the next request.
        QCOMPARE(form->FileText(0), QString::fromStdString(dbPath));
    }
};

int main(int argc, char** argv) {
    const vanto::gui::window_test::PrivateSettings settings;
    QApplication app(argc, argv);
    TestWindowTransfer test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_window_e2e.moc"

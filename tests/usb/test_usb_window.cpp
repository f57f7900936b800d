// The real window over USB against the emulated bus: no remote chosen at first, so the status
// bar offers "Choose remote..." and says a possible remote is attached; the chooser lists the
// remote "ready" and a second one "no permission" (with its udev rule); "Use" stores the choice
// and the link follows it at once, and a database download then reaches the remote byte for byte;
// choosing the locked one brings a one-time notice with the fix.
// With VANTO_SCREENSHOT_DIR set, the chooser is also saved there as remote-chooser.png.
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/gui/forms/function_form.h"
#include "app/gui/remote_chooser_dlg.h"
#include "app/gui/remote_chooser_hook.h"
#include "app/gui/remote_status_item.h"
#include "app/gui/tavro_app.h"
#include "app/settings/app_settings.h"
#include "link/link_factory.h"
#include "link/usb_link.h"
#include "tests/app/window_test_support.h"
#include "tests/pages/page_test_support.h"
#include "tests/usb/emulated_usb_bus.h"
#include "tools/realtime_remote_runner.h"

using namespace vanto;
using namespace vanto::gui;

class TestUsbWindow : public QObject {
    Q_OBJECT
private slots:
    void ChooseTheRemoteThenDownloadOverUsb() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        test::EmulatedUsbBus bus;
        QVERIFY(test::EmulatedUsbBus::InMockEnvironment());
        const std::string linkPath = dir.filePath(QStringLiteral("remote")).toStdString();
        RealtimeRemoteRunner runner(linkPath);
        QVERIFY(runner.Plug());
        test::UsbRemoteBridge bridge(linkPath, false);
        QVERIFY(bridge.Ok());
        test::EmulatedUsbDevice remote;
        remote.serial = "SN1";
        const int address = bus.Plug(remote);
        bridge.Attach(bus.Pipes(address));
        test::EmulatedUsbDevice locked = remote;
        locked.serial = "SN2";
        locked.port = 2;
        bus.SetNodeReadable(bus.Plug(locked), false);

        // As the program starts with nothing chosen: a usb link that follows no device.
        CTavroApp app;
        CTavroApp::Options options;
        options.singleInstance = false;
        UsbLink* usb = nullptr;
        options.frame.makeLink = [&usb]() -> std::unique_ptr<DeviceLink> {
            auto link = std::make_unique<UsbLink>(UsbMatch{}, nullptr);
            link->SetPermissionNotices(false);
            usb = link.get();
            return link;
        };
        QVERIFY(app.InitInstance(std::move(options)));
        CMainFrame& frame = *app.Frame();
        QVERIFY(usb);
        RemoteChoice::Options choiceOptions;
        choiceOptions.link = usb;
        RemoteChoice& choice = *InstallRemoteChooser(frame, choiceOptions);

        auto* item = frame.statusBar()->findChild<RemoteStatusItem*>();
        QVERIFY(item);
        QTRY_COMPARE(item->text(), QString::fromLatin1(RemoteStatusItem::kAttachedText));
        QVERIFY(item->isVisibleTo(&frame));
        QCOMPARE(frame.StatusText(), QStringLiteral(" DEVICE : DISCONNECTED"));
        QVERIFY(frame.Ribbon().findChild<QAction*>(QStringLiteral("ChooseRemoteAction")));

        RemoteChooserDlg chooser(choice, &frame);
        chooser.show();
        QTreeWidget& list = chooser.List();
        QCOMPARE(list.topLevelItemCount(), 2);
        QCOMPARE(list.topLevelItem(0)->text(3), QStringLiteral("ready"));
        QCOMPARE(list.topLevelItem(1)->text(3), QStringLiteral("no permission"));
        QCOMPARE(chooser.ChoiceText(), QStringLiteral("No remote is chosen."));

        // The locked one shows its rule and the commands that install it.
        list.setCurrentItem(list.topLevelItem(1));
        QVERIFY(chooser.AccessPanel().isVisible());
        chooser.AccessPanel().CopyButton().click();
        const QString copied = QApplication::clipboard()->text();
        QVERIFY2(copied.contains(QStringLiteral("ATTR{idVendor}==\"1a2b\", "
                                                "ATTR{idProduct}==\"3c4d\", TAG+=\"uaccess\"")),
                 qPrintable(copied));
        QVERIFY(copied.contains(QStringLiteral("sudo udevadm control --reload-rules")));
        if (const QByteArray shots = qgetenv("VANTO_SCREENSHOT_DIR"); !shots.isEmpty()) {
            chooser.resize(640, 470);
            QTest::qWait(100);
            QVERIFY(chooser.grab().save(QString::fromLocal8Bit(shots) +
                                        QStringLiteral("/remote-chooser.png")));
        }

        // "Use" on the ready one: stored with its serial, and the link follows it at once.
        list.setCurrentItem(list.topLevelItem(0));
        QVERIFY(!chooser.AccessPanel().isVisible());
        chooser.UseButton().click();
        QCOMPARE(settings::ReadChosenRemote(), (UsbMatch{{{0x1a2b, 0x3c4d}}, "SN1"}));
        QVERIFY(chooser.ChoiceText().contains(QStringLiteral("serial SN1")));
        QTRY_COMPARE_WITH_TIMEOUT(frame.StatusText(), QStringLiteral(" DEVICE : CONNECTED"), 5000);
        QVERIFY(!item->isVisibleTo(&frame));
        chooser.close();

        const ByteBuffer database = test::MakeDatabase(6 * 2048 + 321, 41);
        const std::string dbPath = dir.filePath(QStringLiteral("codes.bin")).toStdString();
        test::WriteFile(dbPath, database);
        FunctionForm* form = window_test::ChooseFile(app, 1, dbPath);
        QVERIFY(form);
        QCOMPARE(form->MessageText(0), QStringLiteral("Database Ready!"));
        runner.Call([](SimulatedRemote& r) { r.StartDownload('P'); });
        const auto remoteDone = [&] {
            bool done = false;
            runner.Call([&](SimulatedRemote& r) { done = !r.Busy(); });
            return done;
        };
        QTRY_VERIFY_WITH_TIMEOUT(remoteDone(), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(form->MessageText(0), QStringLiteral("Waiting for request..."),
                                  5000);
        std::string diff = "not run";
        RemoteOutcome outcome = RemoteOutcome::kIdle;
        runner.Call([&](SimulatedRemote& r) {
            outcome = r.Outcome();
            diff = test::ByteDiff(r.ReceivedData(), database);
        });
        QCOMPARE(outcome, RemoteOutcome::kCompleted);
        QCOMPARE(QString::fromStdString(diff), QString());

        // "Forget": nothing chosen any more, and the link lets go of the remote.
        RemoteChooserDlg again(choice, &frame);
        again.ForgetButton().click();
        QVERIFY(!settings::ReadChosenRemote());
        QTRY_COMPARE_WITH_TIMEOUT(frame.StatusText(), QStringLiteral(" DEVICE : DISCONNECTED"),
                                  5000);
        QVERIFY(item->isVisibleTo(&frame));

        // Choosing the locked one: a notice with the fix, once while it stays plugged in.
        again.List().setCurrentItem(again.List().topLevelItem(1));
        again.UseButton().click();
        const auto notices = [&] {
            return frame.findChildren<QDialog*>(QStringLiteral("RemoteAccessNotice")).size();
        };
        QTRY_COMPARE(notices(), 1);
        QTest::qWait(3 * 200);
        QCOMPARE(notices(), 1);
        QCOMPARE(frame.StatusText(), QStringLiteral(" DEVICE : DISCONNECTED"));
        frame.StopEngine();
        bridge.Attach(nullptr);
    }
};

int main(int argc, char** argv) {
    test::EmulatedUsbBus::DropFileAccessOverride();
    const vanto::gui::window_test::PrivateSettings settings;
    QApplication app(argc, argv);
    TestUsbWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_usb_window.moc"

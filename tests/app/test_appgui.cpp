// The window on the offscreen platform: start-up, page switching, ribbon, colour styles and their
// persistence, size limits, the single-instance guard and the about box.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QLocalServer>
#include <QLockFile>
#include <QProcess>
#include <QSettings>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>

#include "app/core/app_look.h"
#include "app/core/function_commands.h"
#include "app/gui/about_dlg.h"
#include "app/gui/forms/function_form.h"
#include "app/gui/forms/icon_editor_launcher.h"
#include "app/gui/look_style.h"
#include "app/gui/single_instance_guard.h"
#include "app/gui/tavro_app.h"
#include "tests/app/window_test_support.h"

using namespace vanto;
using namespace vanto::gui;

namespace {

using window_test::StartApp;

QLineEdit* FileEditOf(QWidget& page) {
    return page.findChild<QLineEdit*>();
}

void StoreLook(const QVariant& value) {
    QSettings settings(QStringLiteral("vanto-remote-manager"),
                       QStringLiteral("vanto-remote-manager"));
    if (value.isValid()) {
        settings.setValue(QStringLiteral("Workspace/ApplicationLook"), value);
    } else {
        settings.remove(QStringLiteral("Workspace/ApplicationLook"));
    }
}

QVariant StoredLook() {
    QSettings settings(QStringLiteral("vanto-remote-manager"),
                       QStringLiteral("vanto-remote-manager"));
    return settings.value(QStringLiteral("Workspace/ApplicationLook"));
}

int CheckedFunctionButtons(CRibbonBar& ribbon) {
    int mask = 0;
    for (int i = 0; i < FUNC_COUNT; ++i) {
        mask |= ribbon.FunctionButton(i).isChecked() ? 1 << i : 0;
    }
    return mask;
}

int CheckedLookItems(CRibbonBar& ribbon) {
    int count = 0;
    for (const auto& item : kAppLookItems) {
        count += ribbon.LookAction(item.id)->isChecked() ? 1 : 0;
    }
    return count;
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init() { StoreLook(QVariant()); }

    void StartShowsPageZeroWithItsButtonSelected() {
        auto app = StartApp();
        QVERIFY(app);
        CMainFrame& frame = *app->Frame();
        QCOMPARE(frame.SelectedFunction(), 0);
        QCOMPARE(frame.ActiveView(), &app->PageView(0)->Widget());
        QCOMPARE(app->ShowingPage(), app->Page(0));
        QCOMPARE(CheckedFunctionButtons(frame.Ribbon()), 0b000001);
        QCOMPARE(frame.StatusText(), QStringLiteral(" DEVICE : DISCONNECTED"));
        // Created 520 x 520, then fitted to page 0, shrinking only.
        QCOMPARE(frame.width(), 520);
        QVERIFY(frame.height() < 520 && frame.height() >= 320);
        QCOMPARE(frame.windowTitle(), app->Title());
        QVERIFY(app->Title().startsWith(QStringLiteral("VANTO Remote Manager V")));
        QVERIFY(frame.Engine().Timers().IsArmed(TransferEngine::TIMER_DEVICE_POLL));
        for (int i = 1; i < FUNC_COUNT; ++i) {
            QVERIFY(!app->PageView(i)->Widget().isVisible());
        }
    }

    void RibbonButtonsCarryLabelsTooltipsAndPictures() {
        auto app = StartApp();
        CRibbonBar& ribbon = app->Frame()->Ribbon();
        QCOMPARE(ribbon.FunctionButton(0).accessibleName(), QStringLiteral("Application Download"));
        // Name over description as the tooltip; the description as the status prompt.
        QCOMPARE(
            ribbon.FunctionButton(0).toolTip(),
            QStringLiteral("<b>Application Download</b><br>Download remote control application"));
        QCOMPARE(ribbon.FunctionButton(4).statusTip(), QStringLiteral("Upload user icon data"));
        QCOMPARE(ribbon.MenuFunctionAction(1)->toolTip(), ribbon.FunctionButton(1).toolTip());
        for (int i = 0; i < FUNC_COUNT; ++i) {
            QVERIFY(!ribbon.FunctionButton(i).icon().isNull());
        }
        QCOMPARE(ribbon.MenuFunctionAction(3)->text(), QStringLiteral("U&ser Data Download"));
        QCOMPARE(ribbon.ExitAction()->text(), QStringLiteral("E&xit"));
        QStringList looks;
        for (const auto& item : kAppLookItems) {
            looks << ribbon.LookAction(item.id)->text();
        }
        QCOMPARE(looks, QStringList({"Default", "Black", "Blue", "Silver", "Aqua"}));
    }

    void SwitchingPagesKeepsEachPagesState() {
        auto app = StartApp();
        CMainFrame& frame = *app->Frame();
        QLineEdit* file0 = FileEditOf(app->PageView(0)->Widget());
        QLineEdit* file1 = FileEditOf(app->PageView(1)->Widget());
        QVERIFY(file0 && file1);
        file0->setText(QStringLiteral("/tmp/first.s19"));
        QTest::mouseClick(&frame.Ribbon().FunctionButton(1), Qt::LeftButton);
        QCOMPARE(frame.SelectedFunction(), 1);
        QCOMPARE(frame.ActiveView(), &app->PageView(1)->Widget());
        QCOMPARE(app->ShowingPage(), app->Page(1));
        QCOMPARE(CheckedFunctionButtons(frame.Ribbon()), 0b000010);
        file1->setText(QStringLiteral("/tmp/second.bin"));
        frame.Ribbon().MenuFunctionAction(0)->trigger();
        QCOMPARE(frame.ActiveView(), &app->PageView(0)->Widget());
        QCOMPARE(CheckedFunctionButtons(frame.Ribbon()), 0b000001);
        QCOMPARE(file0->text(), QStringLiteral("/tmp/first.s19"));
        QCOMPARE(file1->text(), QStringLiteral("/tmp/second.bin"));
    }

    void ClickingTheShowingPagesButtonDoesNothing() {
        auto app = StartApp();
        CMainFrame& frame = *app->Frame();
        QTest::mouseClick(&frame.Ribbon().FunctionButton(2), Qt::LeftButton);
        const int layouts = frame.PageLayouts();
        QTest::mouseClick(&frame.Ribbon().FunctionButton(2), Qt::LeftButton);
        QCOMPARE(frame.PageLayouts(), layouts);
        QCOMPARE(frame.SelectedFunction(), 2);
        QCOMPARE(CheckedFunctionButtons(frame.Ribbon()), 0b000100);
    }

    void DoubleClicksOnAppButtonAndTabDoNothing() {
        auto app = StartApp();
        CMainFrame& frame = *app->Frame();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QTest::mouseDClick(&frame.Ribbon().HomeTab(), Qt::LeftButton);
        QVERIFY(frame.Ribbon().PanelVisible());
        QVERIFY(frame.isVisible());
    }

    void KeyTipsLeadToTheFunctions() {
        auto app = StartApp();
        CMainFrame& frame = *app->Frame();
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        CRibbonBar& ribbon = frame.Ribbon();
        QTest::keyPress(&frame, Qt::Key_Alt, Qt::AltModifier);
        QTest::keyRelease(&frame, Qt::Key_Alt);
        QCOMPARE(ribbon.ShownKeyTips(), QStringLiteral("FHA"));
        QTest::keyClick(&frame, Qt::Key_H);
        QCOMPARE(ribbon.ShownKeyTips(), QStringLiteral("ADBRUN"));
        QTest::keyClick(&frame, Qt::Key_R);
        QCOMPARE(ribbon.KeyTips(), CRibbonBar::KeyTipLevel::Off);
        QCOMPARE(frame.SelectedFunction(), 3);
        QTest::keyClick(&frame, Qt::Key_H, Qt::AltModifier);
        QTest::keyClick(&frame, Qt::Key_N);
        QCOMPARE(frame.SelectedFunction(), 5);
    }

    void ChosenStyleHoldsAfterARestart() {
        {
            auto app = StartApp();
            CRibbonBar& ribbon = app->Frame()->Ribbon();
            QVERIFY(ribbon.LookAction(ID_VIEW_APPLOOK_DEFAULT)->isChecked());
            QCOMPARE(StoredLook().toInt(), ID_VIEW_APPLOOK_DEFAULT);
            ribbon.LookAction(ID_VIEW_APPLOOK_OFF_2007_BLUE)->trigger();
            QCOMPARE(CheckedLookItems(ribbon), 1);
            QCOMPARE(StoredLook().toInt(), ID_VIEW_APPLOOK_OFF_2007_BLUE);
        }
        auto app = StartApp();
        CMainFrame& frame = *app->Frame();
        QCOMPARE(frame.LookState().LookId(), ID_VIEW_APPLOOK_OFF_2007_BLUE);
        QVERIFY(frame.Ribbon().LookAction(ID_VIEW_APPLOOK_OFF_2007_BLUE)->isChecked());
        QCOMPARE(CheckedLookItems(frame.Ribbon()), 1);
        const LookTheme blue = ThemeFor(AppLook::Blue, QPalette());
        QCOMPARE(frame.Ribbon().styleSheet(), RibbonStyleSheet(blue.ribbon));
        QCOMPARE(QApplication::palette().color(QPalette::Window),
                 blue.palette.color(QPalette::Window));
    }

    void OddStoredStyleDrawsNothingAndIsKept_data() {
        QTest::addColumn<int>("stored");
        QTest::newRow("32782") << 32782;
        QTest::newRow("0") << 0;
    }
    void OddStoredStyleDrawsNothingAndIsKept() {
        QFETCH(int, stored);
        StoreLook(stored);
        auto app = StartApp();
        CMainFrame& frame = *app->Frame();
        QCOMPARE(frame.LookState().LookId(), stored);
        QCOMPARE(CheckedLookItems(frame.Ribbon()), 0);
        QVERIFY(frame.Ribbon().styleSheet().isEmpty());
        QCOMPARE(StoredLook().toInt(), stored);
    }

    void LooksAreDistinct() {
        QStringList sheets;
        for (const auto& item : kAppLookItems) {
            const QString sheet =
                RibbonStyleSheet(ThemeFor(item.look, QApplication::palette()).ribbon);
            QVERIFY(!sheets.contains(sheet));
            sheets << sheet;
        }
    }

    void WindowHasAMinimumSizeAndNoMaximiseButton() {
        auto app = StartApp();
        CMainFrame& frame = *app->Frame();
        QVERIFY(!(frame.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(frame.minimumSize(), QSize(400, 320));
        frame.resize(200, 100);
        QVERIFY(frame.width() >= 400 && frame.height() >= 320);
    }

    void AboutBoxShowsTheTitle() {
        auto app = StartApp();
        QString caption;
        QString text;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
            if (box != nullptr) {
                caption = box->windowTitle();
                text = box->TitleText();
                box->accept();
            }
        });
        app->Frame()->Ribbon().AboutButton().click();
        QCOMPARE(caption, QStringLiteral("About VANTO Remote Manager"));
        QCOMPARE(text, app->Title());
    }
};

class TestSingleInstance : public QObject {
    Q_OBJECT
private slots:
    void SecondCopyRaisesTheFirstAndEnds() {
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("instance"));
        auto app = std::make_unique<CTavroApp>();
        CTavroApp::Options options;
        options.instanceName = name;
        QVERIFY(app->InitInstance(std::move(options)));
        app->Frame()->showMinimized();
        QTRY_VERIFY(app->Frame()->windowState() & Qt::WindowMinimized);

        std::atomic<int> role{-1};
        std::thread second([&] {
            SingleInstanceGuard guard(name);
            role = static_cast<int>(guard.Claim(3000));
        });
        QTRY_VERIFY_WITH_TIMEOUT(role.load() != -1, 5000);
        second.join();
        QCOMPARE(role.load(), static_cast<int>(SingleInstanceGuard::Role::kOther));
        QVERIFY(!(app->Frame()->windowState() & Qt::WindowMinimized));
        QVERIFY(app->Frame()->isVisible());
    }

    void LeftoverOfACrashedCopyIsTakenOver() {
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("instance"));
        QFile leftover(name);
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.close();
        // The lock of a copy whose process has ended.
        QProcess ended;
        ended.start(QStringLiteral("true"), {});
        QVERIFY(ended.waitForStarted(5000));
        const qint64 pid = ended.processId();
        QVERIFY(ended.waitForFinished(5000));
        QFile lock(SingleInstanceGuard(name).LockPath());
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(pid) + "\nvanto-remote-manager\n" +
                   QSysInfo::machineHostName().toUtf8() + "\n");
        lock.close();
        SingleInstanceGuard guard(name);
        QCOMPARE(guard.Claim(300), SingleInstanceGuard::Role::kFirst);
        int raised = 0;
        guard.SetRaiseHandler([&] { ++raised; });
        std::atomic<int> role{-1};
        std::thread second([&] { role = static_cast<int>(SingleInstanceGuard(name).Claim(3000)); });
        QTRY_VERIFY_WITH_TIMEOUT(role.load() != -1, 5000);
        second.join();
        QCOMPARE(role.load(), static_cast<int>(SingleInstanceGuard::Role::kOther));
        QCOMPARE(raised, 1);
    }

    // A live copy that does not answer (loaded, stopped) keeps its place: the later copy ends
    // after its short wait and leaves the socket alone.
    void LiveCopyThatNeverAnswersIsNotReplaced() {
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("instance"));
        QLockFile held(SingleInstanceGuard(name).LockPath());
        QVERIFY(held.tryLock(0));
        QLocalServer hung;
        QVERIFY(hung.listen(name));
        QElapsedTimer clock;
        clock.start();
        std::atomic<int> role{-1};
        std::thread second([&] { role = static_cast<int>(SingleInstanceGuard(name).Claim(200)); });
        second.join();
        QCOMPARE(role.load(), static_cast<int>(SingleInstanceGuard::Role::kOther));
        QVERIFY(clock.elapsed() < 2000);
        QVERIFY(hung.isListening());
        QVERIFY(QFile::exists(name));
    }
};

class TestFunctionForms : public QObject {
    Q_OBJECT
private slots:
    void init() { StoreLook(QVariant()); }

    void EachPageStartsWithItsTexts_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("app") << 0 << "Application:"
                             << "Select the application to download." << QColor(255, 128, 128);
        QTest::newRow("db") << 1 << "Database:"
                            << "Select the database to download." << QColor(34, 177, 76);
        QTest::newRow("ud up") << 2 << "User Data:"
                               << "Select the user data to save." << QColor(0, 162, 232);
        QTest::newRow("ud down") << 3 << "User Data:"
                                 << "Select the user data to download." << QColor(185, 122, 87);
        QTest::newRow("icon up") << 4 << "User Icon:"
                                 << "Select the user icon to save." << QColor(0, 162, 232);
        QTest::newRow("icon down") << 5 << "User Icon:"
                                   << "Select the user icon to download." << QColor(185, 122, 87);
    }
    void EachPageStartsWithItsTexts() {
        QFETCH(int, index);
        QFETCH(QString, label);
        QFETCH(QString, message);
        QFETCH(QColor, colour);
        auto app = StartApp();
        auto* form = qobject_cast<FunctionForm*>(&app->PageView(index)->Widget());
        QVERIFY(form);
        QVERIFY(app->Page(index));
        QCOMPARE(app->Page(index)->FunctionIndex(), index);
        QCOMPARE(form->MessageText(0), message);
        QCOMPARE(form->BarColour(), colour);
        bool labelFound = false;
        for (QLabel* l : form->findChildren<QLabel*>()) {
            labelFound |= l->text() == label;
        }
        QVERIFY(labelFound);
        QCOMPARE(form->Banner(0).Title(),
                 QString::fromUtf8(kFunctionCommands[static_cast<std::size_t>(index)].buttonLabel));
        QCOMPARE(form->EditButton() != nullptr, index >= 4);
        QCOMPARE(form->ModeRadio(0) != nullptr, index == 2 || index == 3);
    }

    void FiltersTakeQtsForm() {
        QCOMPARE(QtFileFilter(QStringLiteral("Application files|*.s19|All files|*.*||")),
                 QStringLiteral("Application files (*.s19);;All files (*.*)"));
    }

    void RefusedFileShowsItsBoxesAndEmptiesTheBox() {
        auto app = StartApp();
        auto* form = qobject_cast<FunctionForm*>(&app->PageView(0)->Widget());
        QStringList boxes;
        form->SetBoxAnswerer([&](const QString& text, bool) {
            boxes << text;
            return true;
        });
        QTemporaryDir dir;
        const QString missing = dir.filePath(QStringLiteral("missing.s19"));
        BrowseRequest seen;
        form->SetFileChooser([&](const BrowseRequest& request) -> std::optional<QString> {
            seen = request;
            return missing;
        });
        form->BrowseButton(0).click();
        QCOMPARE(seen.defaultSuffix, QStringLiteral("s19"));
        QVERIFY(!seen.save);
        QCOMPARE(seen.title, QStringLiteral("Choose the application to install"));
        QCOMPARE(boxes, QStringList({"S19 File Open Error!", "Invalid Application!"}));
        QCOMPARE(form->MessageText(0), QStringLiteral("Invalid Application!"));
        QCOMPARE(form->FileText(0), QString());
        QCOMPARE(app->Page(0)->m_job.m_bFileReady, std::uint8_t{0});
    }

    void UploadPageTakesANewNameAndKeepsEachModesChoice() {
        auto app = StartApp();
        auto* form = qobject_cast<FunctionForm*>(&app->PageView(2)->Widget());
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("backup.bin"));
        form->SetFileChooser([&](const BrowseRequest& request) -> std::optional<QString> {
            // A save dialog that leaves the overwrite question to the page.
            return request.save && !request.confirmOverwrite ? std::optional<QString>(name)
                                                             : std::nullopt;
        });
        form->BrowseButton(0).click();
        QCOMPARE(form->FileText(0), name);
        QCOMPARE(form->MessageText(0), QStringLiteral("User Data Ready!"));
        QCOMPARE(app->Page(2)->m_job.m_bFileReady, std::uint8_t{1});

        form->ModeRadio(1)->click();
        QCOMPARE(form->ShownMode(), 1);
        QCOMPARE(app->Page(2)->m_job.m_nDataMode, 1);
        QCOMPARE(app->Page(2)->m_job.m_bFileReady, std::uint8_t{0});
        QCOMPARE(form->MessageText(1), QStringLiteral("Select the device data to save."));
        form->ModeRadio(0)->click();
        QCOMPARE(form->ShownMode(), 0);
        QCOMPARE(form->FileText(0), name);
        QCOMPARE(app->Page(2)->m_job.m_bFileReady, std::uint8_t{1});

        // The same name again exists now: the question comes, and Cancel empties the box.
        QStringList questions;
        form->SetBoxAnswerer([&](const QString& text, bool question) {
            if (question) {
                questions << text;
            }
            return false;
        });
        form->SetFileChooser([&](const BrowseRequest&) -> std::optional<QString> {
            return dir.filePath(QStringLiteral("other.bin"));
        });
        QFile existing(dir.filePath(QStringLiteral("other.bin")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        form->BrowseButton(0).click();
        QCOMPARE(questions, QStringList({"File already exists! overwrite?"}));
        QCOMPARE(form->FileText(0), QString());
    }

    void EditButtonsRunTheIconEditor() {
        auto app = StartApp();
        std::vector<std::string> proposed;
        SetIconEditorDialog([&](QWidget* parent, const std::string& path) {
            proposed.push_back(path);
            return parent != nullptr ? std::nullopt : std::optional<std::string>("x");
        });
        for (int index : {4, 5}) {
            auto* form = qobject_cast<FunctionForm*>(&app->PageView(index)->Widget());
            const QString before = form->MessageText(0);
            form->EditButton()->click();
            QCOMPARE(form->MessageText(0), before);  // cancelled: the page is unchanged
        }
        SetIconEditorDialog(nullptr);
        QCOMPARE(proposed.size(), std::size_t{2});
    }

    void ProgressFollowsTheEngine() {
        auto app = StartApp();
        auto* form = qobject_cast<FunctionForm*>(&app->PageView(1)->Widget());
        app->Page(1)->OnTransferNotify(TN_PROGRESS_RANGE, 0);
        app->Page(1)->OnTransferNotify(TN_PROGRESS_POS, 40);
        QCOMPARE(form->ProgressValue(), 40);
        app->Page(1)->OnTransferNotify(TN_SET_MESSAGE, " 40% PROCESSING...");
        QCOMPARE(form->MessageText(0), QStringLiteral(" 40% PROCESSING..."));
    }
};

int main(int argc, char** argv) {
    const vanto::gui::window_test::PrivateSettings settings;
    QApplication app(argc, argv);
    int status = 0;
    TestMainWindow window;
    status |= QTest::qExec(&window, argc, argv);
    TestSingleInstance single;
    status |= QTest::qExec(&single, argc, argv);
    TestFunctionForms forms;
    status |= QTest::qExec(&forms, argc, argv);
    return status;
}

#include "test_appgui.moc"

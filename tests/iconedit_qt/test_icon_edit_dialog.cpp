// The real dialog on the offscreen platform: open a file, put a device icon in with a click on
// its cell, press OK, and read back what was written. The prompts are scripted so that no real
// file dialog or message box blocks.
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QtTest/QtTest>
#include <deque>

#include "app/iconedit/icon_edit_dialog.h"
#include "app/iconedit/icon_editor_runner.h"
#include "formats/posix_file_system.h"
#include "icon_edit_test_support.h"
#include "iconedit/icon_edit_cells.h"

using namespace vanto;
using namespace vanto::iconedit;

class TestIconEditDialog : public QObject {
    Q_OBJECT

private slots:
    void openEditOkRoundTrip();
    void buttonsFollowResize();
    void runnerReportsOnlyOk();
    void keyboardAlone();
    void noMaximiseButtonAndAMinimumSize();
};

namespace {

struct Script {
    std::deque<std::optional<std::string>> opens;
    std::deque<std::optional<std::string>> saves;
    std::vector<std::pair<std::string, std::string>> openPrompts;
    std::vector<std::string> warnings;

    gui::IconEditPrompts Prompts() {
        gui::IconEditPrompts prompts;
        prompts.openFile = [this](const std::string& filter, const std::string& proposed) {
            openPrompts.emplace_back(filter, proposed);
            auto answer = opens.empty() ? std::nullopt : opens.front();
            if (!opens.empty()) {
                opens.pop_front();
            }
            return answer;
        };
        prompts.saveFile = [this](const std::string&, const std::string&) {
            auto answer = saves.empty() ? std::nullopt : saves.front();
            if (!saves.empty()) {
                saves.pop_front();
            }
            return answer;
        };
        prompts.warning = [this](const std::string& text, const std::string&) {
            warnings.push_back(text);
        };
        prompts.cellMenu = [](int, const IconMenuState& state) -> std::optional<IconMenuCommand> {
            if (state.open) {
                return ID_ICON_OPEN;
            }
            return std::nullopt;
        };
        prompts.random = std::make_shared<test::FixedRandom>();
        return prompts;
    }
};

}  // namespace

void TestIconEditDialog::openEditOkRoundTrip() {
    test::TempDir dir;
    // A starting file with one key icon.
    IconFile start;
    const auto key = test::FlatPng(120, 60, 40);
    QVERIFY(start.SetIcon(ICON_KEY, 3, key.data(), key.size()));
    QCOMPARE(start.PrepareForSave(), 0);
    test::FixedRandom random;
    const std::string startPath = dir.File("start.vui");
    QVERIFY(!start.WriteIconFile(DefaultFileSystem(), startPath, random));

    Script script;
    script.opens = {startPath, dir.Write("dev.png", test::FlatPng(120, 80, 90))};
    const std::string outPath = dir.File("edited.vui");
    script.saves = {outPath};

    gui::CIconEditDialog dialog(nullptr, script.Prompts());
    dialog.SetPath("page.vui");
    dialog.InitDialog();
    QCOMPARE(script.openPrompts.at(0).second, std::string("page.vui"));
    QCOMPARE(dialog.windowTitle(), QString("User Icon Edit"));
    QCOMPARE(dialog.OkButton()->text(), QString::fromUtf8("확인"));
    QCOMPARE(dialog.CancelButton()->text(), QString::fromUtf8("취소"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QLabel* keyCell = dialog.CellWidget(CellId(ICON_KEY, 3));
    QVERIFY(keyCell);
    QCOMPARE(keyCell->pixmap().size(), QSize(120, 60));
    QCOMPARE(keyCell->pixmap().toImage().pixel(5, 5),
             QImage::fromData(key.data(), key.size()).pixel(5, 5));
    QCOMPARE(dialog.Form()->widget()->size(), QSize(500, 1700));

    QLabel* deviceCell = dialog.CellWidget(CellId(ICON_DEVICE, 11));
    const QImage emptySelection = dialog.CellWidget(CellId(ICON_DEVSEL, 11))->pixmap().toImage();
    dialog.Form()->ensureWidgetVisible(deviceCell);
    QTest::mouseClick(deviceCell, Qt::LeftButton);
    QVERIFY2(script.warnings.empty(), script.warnings.empty() ? "" : script.warnings[0].c_str());
    QCOMPARE(deviceCell->pixmap().size(), QSize(120, 80));
    const QImage madeSelection = dialog.CellWidget(CellId(ICON_DEVSEL, 11))->pixmap().toImage();
    QCOMPARE(madeSelection.size(), QSize(60, 60));
    QVERIFY(madeSelection != emptySelection);

    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.GetPath(), outPath);

    IconFile written;
    QVERIFY(!written.ReadIconFile(DefaultFileSystem(), outPath));
    QVERIFY(written.HasIcon(ICON_DEVICE, 11));
    QVERIFY(written.HasIcon(ICON_DEVSEL, 11));
    QVERIFY(test::SpanBytes(written.IconBytes(ICON_KEY, 3)) == key);
    QVERIFY(test::SpanBytes(written.IconBytes(ICON_DEVICE, 11)) ==
            test::ReadAll(dir.File("dev.png")));
}

void TestIconEditDialog::buttonsFollowResize() {
    Script script;
    gui::CIconEditDialog dialog(nullptr, script.Prompts());
    dialog.InitDialog();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QPoint ok = dialog.OkButton()->pos();
    const QPoint cancel = dialog.CancelButton()->pos();
    const QSize okSize = dialog.OkButton()->size();
    const QSize before = dialog.size();
    dialog.resize(before + QSize(70, 90));
    QTRY_COMPARE(dialog.OkButton()->pos(), ok + QPoint(70, 90));
    QCOMPARE(dialog.CancelButton()->pos(), cancel + QPoint(70, 90));
    QCOMPARE(dialog.OkButton()->size(), okSize);
    QCOMPARE(dialog.Form()->geometry(),
             QRect(0, 0, before.width() + 70, before.height() + 90 - 2 * okSize.height()));
}

void TestIconEditDialog::runnerReportsOnlyOk() {
    // Cancel from inside the modal loop: nothing written, no path taken.
    Script script;
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible()) {
                dialog->reject();
            }
        }
    });
    QVERIFY(!gui::RunIconEditDialog(nullptr, "page.vui", script.Prompts()));
    QCOMPARE(script.openPrompts.size(), size_t(1));
    QCOMPARE(script.openPrompts[0].second, std::string("page.vui"));

    // OK from inside the modal loop gives the written path.
    test::TempDir dir;
    Script okScript;
    okScript.saves = {dir.File("ok.vui")};
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible()) {
                dialog->accept();
            }
        }
    });
    QCOMPARE(gui::RunIconEditDialog(nullptr, "", okScript.Prompts()),
             std::optional<std::string>(dir.File("ok.vui")));
}

namespace {

// Runs `act` on the next popup or modal window of type W once it shows (polled, 1000 times).
template <class W>
void WhenShown(std::function<void(W*)> act, int tries = 1000) {
    QTimer::singleShot(10, [act, tries] {
        W* w = qobject_cast<W*>(QApplication::activePopupWidget());
        if (w == nullptr) {
            w = qobject_cast<W*>(QApplication::activeModalWidget());
        }
        if (w != nullptr && w->isVisible()) {
            act(w);
        } else if (tries > 0) {
            WhenShown<W>(act, tries - 1);
        }
    });
}

// Types `path` into a file dialog's name field and presses Enter; records the dialog's title.
// The name completion's list may open a moment after the typing: Escape closes it first.
std::function<void(QFileDialog*)> TypeName(const std::string& path, QStringList& titles) {
    return [path, &titles](QFileDialog* dialog) {
        titles << dialog->windowTitle();
        QLineEdit* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QTest::keyClicks(name, QString::fromStdString(path));
        QElapsedTimer clock;
        clock.start();
        while (dialog->isVisible() && clock.elapsed() < 10000) {
            QTest::qWait(50);
            if (QWidget* completions = QApplication::activePopupWidget()) {
                QTest::keyClick(completions, Qt::Key_Escape);
                continue;
            }
            // A dialog still reading its folder may empty the field: type the name again.
            if (name->text() != QString::fromStdString(path)) {
                QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(name, QString::fromStdString(path));
                continue;
            }
            QTest::keyClick(name, Qt::Key_Return);
        }
        // Never left open: the test then fails on what was not done instead of hanging.
        if (dialog->isVisible()) {
            dialog->reject();
        }
    };
}

// Opens the focused cell's menu with Enter and chooses its first item ("Open") with the arrow
// keys; the file dialog that follows gets `path`.
void OpenWithKeys(gui::CIconEditDialog& dialog, const std::string& path, QStringList& titles) {
    WhenShown<QMenu>([&titles, path](QMenu* menu) {
        WhenShown<QFileDialog>(TypeName(path, titles));
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
}

void Press(gui::CIconEditDialog& dialog, Qt::Key key) {
    QTest::keyClick(dialog.focusWidget(), key);
}

}  // namespace

// Everything with the keyboard and the real file dialogs: cancel the start prompt, reach a cell
// with Tab, move with the arrows, open a device and a key picture through the cell menu, empty
// the device with Delete, and save with OK under a name typed without its extension.
void TestIconEditDialog::keyboardAlone() {
    test::TempDir dir;
    const std::string device = dir.Write("device.png", test::FlatPng(120, 80, 90));
    const std::string key = dir.Write("key.png", test::FlatPng(120, 60, 40));
    gui::IconEditPrompts prompts;
    prompts.random = std::make_shared<test::FixedRandom>();
    gui::CIconEditDialog dialog(nullptr, prompts);
    QStringList titles;
    WhenShown<QFileDialog>([&titles](QFileDialog* start) {
        titles << start->windowTitle();
        QTest::keyClick(start, Qt::Key_Escape);
    });
    dialog.InitDialog();
    QCOMPARE(dialog.GetPath(), std::string());
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));

    for (int i = 0; i < 10 && dialog.FocusedCell() == 0; ++i) {
        QTest::keyClick(&dialog, Qt::Key_Tab);
    }
    QCOMPARE(dialog.FocusedCell(), CellId(ICON_DEVICE, 0));
    const struct {
        Qt::Key key;
        int cell;
    } moves[] = {
        {Qt::Key_Down, CellId(ICON_DEVICE, 1)}, {Qt::Key_Right, CellId(ICON_DEVSEL, 1)},
        {Qt::Key_Right, CellId(ICON_KEY, 1)},   {Qt::Key_Left, CellId(ICON_DEVSEL, 1)},
        {Qt::Key_Up, CellId(ICON_DEVSEL, 0)},   {Qt::Key_Left, CellId(ICON_DEVICE, 0)},
        {Qt::Key_Left, CellId(ICON_DEVICE, 0)},  // the edge: nowhere to go
    };
    for (const auto& move : moves) {
        Press(dialog, move.key);
        QCOMPARE(dialog.FocusedCell(), move.cell);
    }

    const IconFile& icons = dialog.Icons();
    OpenWithKeys(dialog, device, titles);
    QVERIFY(icons.HasIcon(ICON_DEVICE, 0));
    QVERIFY(icons.HasIcon(ICON_DEVSEL, 0));
    Press(dialog, Qt::Key_Right);
    Press(dialog, Qt::Key_Right);
    QCOMPARE(dialog.FocusedCell(), CellId(ICON_KEY, 0));
    OpenWithKeys(dialog, key, titles);
    QVERIFY(icons.HasIcon(ICON_KEY, 0));
    Press(dialog, Qt::Key_Left);
    Press(dialog, Qt::Key_Left);
    Press(dialog, Qt::Key_Delete);
    QVERIFY(!icons.HasIcon(ICON_DEVICE, 0));
    QVERIFY(!icons.HasIcon(ICON_DEVSEL, 0));

    // The cells are one Tab stop: one Tab leads to OK.
    QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
    QCOMPARE(dialog.focusWidget(), dialog.OkButton());
    WhenShown<QFileDialog>(TypeName(dir.File("backup"), titles));
    QTest::keyClick(dialog.OkButton(), Qt::Key_Space);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.GetPath(), dir.File("backup.vui"));
    QVERIFY(!std::filesystem::exists(dir.File("backup")));
    IconFile written;
    QVERIFY(!written.ReadIconFile(DefaultFileSystem(), dir.File("backup.vui")));
    QVERIFY(test::SpanBytes(written.IconBytes(ICON_KEY, 0)) == test::ReadAll(key));
    QVERIFY(!written.HasIcon(ICON_DEVICE, 0));
    QCOMPARE(
        titles,
        QStringList({"Choose the user icon file to edit", "Choose the picture for device icon 1",
                     "Choose the picture for key icon 1", "Save the user icon file as"}));
}

void TestIconEditDialog::noMaximiseButtonAndAMinimumSize() {
    Script script;
    gui::CIconEditDialog dialog(nullptr, script.Prompts());
    QVERIFY(!(dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    dialog.InitDialog();
    dialog.show();
    dialog.resize(50, 50);
    QVERIFY(dialog.width() >= 300 && dialog.height() >= 230);
    // The buttons stay inside at the smallest size.
    QTRY_VERIFY(dialog.rect().contains(dialog.OkButton()->geometry()));
    QVERIFY(dialog.rect().contains(dialog.CancelButton()->geometry()));
}

QTEST_MAIN(TestIconEditDialog)
#include "test_icon_edit_dialog.moc"

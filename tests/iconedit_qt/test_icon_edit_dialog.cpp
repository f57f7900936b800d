// The real dialog on the offscreen platform: open a file, put a device icon in with a click on
// its cell, press OK, and read back what was written. The prompts are scripted so that no real
// file dialog or message box blocks.
#include <QApplication>
#include <QLabel>
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

QTEST_MAIN(TestIconEditDialog)
#include "test_icon_edit_dialog.moc"

// The window as a user sees it, on the offscreen platform: every text readable in every look,
// every control reachable at the minimum size, one label column, hover prompts that give the
// device text back, and the program's message boxes and file dialogs.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/core/app_look.h"
#include "app/core/function_commands.h"
#include "app/gui/about_dlg.h"
#include "app/gui/forms/function_form.h"
#include "app/gui/look_style.h"
#include "app/gui/tavro_app.h"
#include "app/iconedit/icon_edit_dialog.h"
#include "app/widgets/file_dialog.h"
#include "app/widgets/message_box.h"
#include "tests/app/window_test_support.h"
#include "tools/screenshots/sample_palette.h"

using namespace vanto;
using namespace vanto::gui;

namespace {

using window_test::StartApp;

FunctionForm& FormOf(CTavroApp& app, int page) {
    return *qobject_cast<FunctionForm*>(&app.PageView(page)->Widget());
}

void Settle(int ms = 20) {
    QTest::qWait(ms);
    QApplication::processEvents();
}

// ---- Contrast ------------------------------------------------------------------------------

// The window drawn at twice its size, so glyph strokes cover whole pixels.
QImage Render(QWidget& window) {
    QImage image(window.size() * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::magenta);
    window.render(&image);
    return image;
}

// The best contrast between a text pixel and what is drawn behind it: `with` shows the text,
// `without` the same area without it. 1 when no pixel differs (the text cannot be seen).
double TextContrast(const QImage& with, const QImage& without, const QRect& area) {
    double best = 1.0;
    const QRect pixels(area.topLeft() * 2, area.size() * 2);
    const QRect inside = pixels.intersected(with.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QRgb a = with.pixel(x, y);
            const QRgb b = without.pixel(x, y);
            if (a != b) {
                best = std::max(best, ContrastRatio(QColor(a), QColor(b)));
            }
        }
    }
    return best;
}

QString Blank(const QString& text) {
    QString blank = text;
    for (QChar& c : blank) {
        if (!c.isSpace()) {
            c = QLatin1Char(' ');
        }
    }
    return blank;
}

// A delegate that draws items without their text.
class NoTextDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text.clear();
    }
};

struct Finding {
    QString where;
    double ratio;
};

class ContrastCheck {
public:
    ContrastCheck(QString look) : m_look(std::move(look)) {}

    // Every enabled, visible text of `window` (and of `menu`, drawn on its own).
    void Check(QWidget& window, const QString& surface) {
        Settle();
        const QImage with = Render(window);
        for (QWidget* w : window.findChildren<QWidget*>()) {
            // Texts cut by a scroll area's edge are left to the layout checks.
            if (!w->isVisible() || !w->isEnabled() || w->visibleRegion() != QRegion(w->rect()) ||
                w->window() != &window) {
                continue;
            }
            const QRect area(w->mapTo(&window, QPoint(0, 0)), w->size());
            const QString name =
                QStringLiteral("%1/%2 %3 '%4'")
                    .arg(surface, QString::fromLatin1(w->metaObject()->className()),
                         w->objectName());
            if (auto* label = qobject_cast<QLabel*>(w);
                label && !label->text().trimmed().isEmpty()) {
                const QString text = label->text();
                label->setText(Blank(text));
                Measure(window, with, area, name.arg(text));
                label->setText(text);
            } else if (auto* button = qobject_cast<QAbstractButton*>(w);
                       button && !button->text().trimmed().isEmpty()) {
                const QString text = button->text();
                button->setText(Blank(text));
                Measure(window, with, area, name.arg(text));
                button->setText(text);
            } else if (auto* edit = qobject_cast<QLineEdit*>(w); edit && !edit->text().isEmpty()) {
                const QString text = edit->text();
                edit->setText(Blank(text));
                Measure(window, with, area, name.arg(text));
                edit->setText(text);
            } else if (auto* combo = qobject_cast<QComboBox*>(w);
                       combo && !combo->currentText().isEmpty() && !combo->isEditable()) {
                const QString text = combo->currentText();
                combo->setItemText(combo->currentIndex(), Blank(text));
                Measure(window, with, area, name.arg(text));
                combo->setItemText(combo->currentIndex(), text);
            } else if (auto* view = qobject_cast<QAbstractItemView*>(w);
                       view && view->model() && view->model()->rowCount(view->rootIndex()) > 0) {
                NoTextDelegate blank;
                QAbstractItemDelegate* own = view->itemDelegate();
                view->setItemDelegate(&blank);
                const QRect viewport(view->viewport()->mapTo(&window, QPoint(0, 0)),
                                     view->viewport()->size());
                Measure(window, with, viewport, name.arg(QStringLiteral("items")));
                view->setItemDelegate(own);
            }
        }
    }

    void CheckMenu(QMenu& menu, const QString& surface) {
        menu.popup(QPoint(10, 10));
        Settle();
        const QImage with = Render(menu);
        for (QAction* action : menu.actions()) {
            if (action->isSeparator() || !action->isEnabled() || action->text().isEmpty()) {
                continue;
            }
            const QString text = action->text();
            action->setText(Blank(text));
            Measure(menu, with, menu.actionGeometry(action),
                    QStringLiteral("%1/menu item '%2'").arg(surface, text));
            action->setText(text);
        }
        menu.hide();
    }

    const QStringList& Failures() const { return m_failures; }
    int Checked() const { return m_checked; }

private:
    // Rendered at once, before any layout request of the blanked text is processed: the
    // widgets stand exactly where they stood with their text.
    void Measure(QWidget& window, const QImage& with, const QRect& area, const QString& name) {
        const QImage without = Render(window);
        const double ratio = TextContrast(with, without, area);
        ++m_checked;
        if (ratio < 4.5) {
            m_failures
                << QStringLiteral("%1: %2: contrast %3").arg(m_look, name).arg(ratio, 0, 'f', 2);
        }
    }

    QString m_look;
    QStringList m_failures;
    int m_checked = 0;
};

struct LookCase {
    const char* name;
    int id;
    bool darkDesktop;
};

constexpr LookCase kLookCases[] = {
    {"Default, light desktop", ID_VIEW_APPLOOK_DEFAULT, false},
    {"Default, dark desktop", ID_VIEW_APPLOOK_DEFAULT, true},
    {"Black", ID_VIEW_APPLOOK_OFF_2007_BLACK, false},
    {"Blue", ID_VIEW_APPLOOK_OFF_2007_BLUE, false},
    {"Silver", ID_VIEW_APPLOOK_OFF_2007_SILVER, false},
    {"Aqua", ID_VIEW_APPLOOK_OFF_2007_AQUA, false},
};

}  // namespace

class TestWindow : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QSettings(QStringLiteral("vanto-remote-manager"), QStringLiteral("vanto-remote-manager"))
            .clear();
    }

    // Every page (both modes of the user data pages), the menus, the about box, a message box,
    // the file dialog and the icon editor, in every look: each text has a contrast of at least
    // 4.5:1 with what is drawn behind it.
    void EveryTextIsReadableInEveryLook() {
        QTemporaryDir folder;
        QFile sample(folder.filePath(QStringLiteral("codes.bin")));
        QVERIFY(sample.open(QIODevice::WriteOnly));
        sample.close();
        const QPalette desktop = QApplication::palette();
        QStringList failures;
        for (const LookCase& look : kLookCases) {
            if (look.darkDesktop) {
                QApplication::setPalette(SampleDarkPalette());
            }
            {
                auto app = StartApp();
                QVERIFY(app);
                CMainFrame& frame = *app->Frame();
                frame.OnLookCommand(look.id);
                QVERIFY(QTest::qWaitForWindowExposed(&frame));
                ContrastCheck check(QString::fromLatin1(look.name));
                for (int page = 0; page < FUNC_COUNT; ++page) {
                    frame.OnFunctionCommand(page);
                    FunctionForm& form = FormOf(*app, page);
                    for (int mode = 0; mode < (form.ModeRadio(1) ? 2 : 1); ++mode) {
                        if (form.ModeRadio(mode)) {
                            form.ModeRadio(mode)->click();
                        }
                        check.Check(frame, QStringLiteral("page %1.%2").arg(page).arg(mode));
                    }
                }
                check.CheckMenu(*frame.Ribbon().AppButton().menu(), QStringLiteral("app menu"));
                check.CheckMenu(frame.Ribbon().StyleMenu(), QStringLiteral("style menu"));

                CAboutDlg about(app->Title(), &frame);
                about.show();
                check.Check(about, QStringLiteral("about box"));
                about.hide();

                FunctionForm& form = FormOf(*app, FUNC_DB_DOWNLOAD);
                const auto box =
                    MakeMessageBox(&form, BoxKind::Warning, QStringLiteral("Invalid Database!"));
                box->show();
                check.Check(*box, QStringLiteral("message box"));
                box->hide();

                const auto files = MakeFileDialog(&form, form.BrowseRequestFor(0));
                files->setDirectory(folder.path());
                files->show();
                QTest::qWait(200);
                check.Check(*files, QStringLiteral("file dialog"));
                files->hide();

                IconEditPrompts prompts;
                prompts.openFile = [](const std::string&, const std::string&) {
                    return std::optional<std::string>();
                };
                CIconEditDialog editor(&frame, prompts);
                editor.InitDialog();
                editor.show();
                check.Check(editor, QStringLiteral("icon editor"));
                editor.hide();

                QVERIFY(check.Checked() > 100);
                failures << check.Failures();
                // Tooltips are drawn by the style in the palette's tooltip colours.
                const QPalette palette = QApplication::palette();
                if (ContrastRatio(palette.color(QPalette::ToolTipText),
                                  palette.color(QPalette::ToolTipBase)) < 4.5) {
                    failures << QStringLiteral("%1: tooltips").arg(look.name);
                }
            }
            QApplication::setPalette(desktop);
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
    }

    // The Default look takes the desktop's palette, dark included; the others their own.
    void DefaultFollowsTheDesktopPalette() {
        const QPalette desktop = QApplication::palette();
        QApplication::setPalette(SampleDarkPalette());
        {
            auto app = StartApp();
            QCOMPARE(QApplication::palette().color(QPalette::Window),
                     SampleDarkPalette().color(QPalette::Window));
            app->Frame()->OnLookCommand(ID_VIEW_APPLOOK_OFF_2007_BLUE);
            QVERIFY(QApplication::palette().color(QPalette::Window) !=
                    SampleDarkPalette().color(QPalette::Window));
            app->Frame()->OnLookCommand(ID_VIEW_APPLOOK_DEFAULT);
            QCOMPARE(QApplication::palette().color(QPalette::Window),
                     SampleDarkPalette().color(QPalette::Window));
        }
        // The program gives the desktop's palette back when the window goes.
        QCOMPARE(QApplication::palette().color(QPalette::Window),
                 SampleDarkPalette().color(QPalette::Window));
        QApplication::setPalette(desktop);
    }

    // At the minimum size every control of every page is in view or inside a scroll area that
    // reaches it, the ribbon's labels are whole, and the label column stands at one place.
    void EveryControlIsReachableAtTheMinimumSize() {
        auto app = StartApp();
        CMainFrame& frame = *app->Frame();
        frame.resize(frame.minimumSize());
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        Settle();
        QCOMPARE(frame.size(), QSize(400, 320));
        QStringList problems;
        std::optional<int> column;
        for (int page = 0; page < FUNC_COUNT; ++page) {
            frame.OnFunctionCommand(page);
            Settle();
            FunctionForm& form = FormOf(*app, page);
            QScrollArea& scroller = form.Scroller();
            QWidget& content = *scroller.widget();
            const QSize reach(
                scroller.viewport()->width() + scroller.horizontalScrollBar()->maximum(),
                scroller.viewport()->height() + scroller.verticalScrollBar()->maximum());
            if (content.width() > reach.width() || content.height() > reach.height()) {
                problems << QStringLiteral("page %1: the scroll area does not reach its content")
                                .arg(page);
            }
            for (QWidget* w : content.findChildren<QWidget*>()) {
                if (!w->isVisible() || qobject_cast<QScrollBar*>(w)) {
                    continue;
                }
                const QRect r(w->mapTo(&content, QPoint(0, 0)), w->size());
                if (!content.rect().contains(r) || w->width() < w->minimumSizeHint().width()) {
                    problems << QStringLiteral("page %1: %2 '%3' cut")
                                    .arg(page)
                                    .arg(QString::fromLatin1(w->metaObject()->className()),
                                         w->objectName());
                }
            }
            // Banner w x w/8, file box at the same x on every page.
            const PageBanner& banner = form.Banner(form.ShownMode());
            if (banner.height() != banner.width() / 8) {
                problems << QStringLiteral("page %1: banner %2 x %3")
                                .arg(page)
                                .arg(banner.width())
                                .arg(banner.height());
            }
            const int x = form.FileEdit(form.ShownMode()).mapTo(&frame, QPoint(0, 0)).x();
            if (column && *column != x) {
                problems << QStringLiteral("page %1: file box at x %2, not %3")
                                .arg(page)
                                .arg(x)
                                .arg(*column);
            }
            column = x;
        }
        CRibbonBar& ribbon = frame.Ribbon();
        for (int i = 0; i < FUNC_COUNT; ++i) {
            QToolButton& button = ribbon.FunctionButton(i);
            const QRect r(button.mapTo(&ribbon, QPoint(0, 0)), button.size());
            if (!ribbon.rect().contains(r) || button.width() < button.sizeHint().width() ||
                button.height() < button.sizeHint().height()) {
                problems << QStringLiteral("ribbon button %1 cut").arg(i);
            }
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // The first page fits the frame to itself: no empty room under it.
    void FrameFitsTheTallestPage() {
        auto app = StartApp();
        CMainFrame& frame = *app->Frame();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        int need = 0;
        for (int i = 0; i < 6; ++i) {
            frame.OnFunctionCommand(i);
            QCoreApplication::processEvents();
            need = std::max(need, frame.ActiveView()->sizeHint().height());
            // No page needs a scroll bar at the start size.
            for (const QScrollBar* bar : frame.ActiveView()->findChildren<QScrollBar*>()) {
                QVERIFY2(!bar->isVisible(), qPrintable(QStringLiteral("page %1").arg(i)));
            }
        }
        // Measured while hidden, the mode buttons' row comes out a few pixels taller than shown.
        const int spare = frame.PageArea().height() - need;
        QVERIFY2(spare >= 0 && spare <= 10, qPrintable(QString::number(spare)));
        QCOMPARE(frame.width(), 520);
    }

    // Key tips stand on pictures or beside texts, never over a label.
    void KeyTipsCoverNoLabel() {
        for (const QSize size : {QSize(520, 520), QSize(400, 320)}) {
            auto app = StartApp();
            CMainFrame& frame = *app->Frame();
            frame.resize(size);
            frame.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&frame));
            CRibbonBar& ribbon = frame.Ribbon();
            QVERIFY(ribbon.Compact() == (size.width() < 500));
            QTest::keyPress(&frame, Qt::Key_Alt, Qt::AltModifier);
            QTest::keyRelease(&frame, Qt::Key_Alt);
            std::vector<QRect> badges;
            for (const QLabel* badge : ribbon.KeyTipBadges()) {
                badges.push_back(badge->geometry());
            }
            QTest::keyClick(&frame, Qt::Key_H);
            for (const QLabel* badge : ribbon.KeyTipBadges()) {
                badges.push_back(badge->geometry());
            }
            QCOMPARE(badges.size(), std::size_t{9});
            // The text part of each labelled button: below the picture of a large button, right
            // of the picture of a small one; the "Home" tab and the panel caption whole.
            std::vector<QRect> texts;
            for (int i = 0; i < FUNC_COUNT; ++i) {
                QToolButton& b = ribbon.FunctionButton(i);
                const QRect r(b.mapTo(&ribbon, QPoint(0, 0)), b.size());
                texts.push_back(ribbon.Compact() ? r.adjusted(4 + b.iconSize().width(), 0, 0, 0)
                                                 : r.adjusted(0, 4 + b.iconSize().height(), 0, 0));
            }
            texts.emplace_back(ribbon.HomeTab().mapTo(&ribbon, QPoint(0, 0)),
                               ribbon.HomeTab().size());
            for (const QRect& badge : badges) {
                for (const QRect& text : texts) {
                    QVERIFY2(!badge.intersects(text),
                             qPrintable(QStringLiteral("badge %1,%2 %3x%4 over %5,%6 %7x%8")
                                            .arg(badge.x())
                                            .arg(badge.y())
                                            .arg(badge.width())
                                            .arg(badge.height())
                                            .arg(text.x())
                                            .arg(text.y())
                                            .arg(text.width())
                                            .arg(text.height())));
                }
            }
        }
    }

    // A command's prompt shows while the pointer is on it; the device text comes back after.
    void HoverPromptGivesTheDeviceTextBack() {
        auto app = StartApp();
        CMainFrame& frame = *app->Frame();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QStatusBar& status = *frame.statusBar();
        QWidget& pane = *frame.findChild<QLabel*>(QStringLiteral("DevicePane"));
        QTest::mouseMove(&frame.Ribbon().FunctionButton(2));
        QTRY_COMPARE(status.currentMessage(), QStringLiteral("Upload user data"));
        QVERIFY(!pane.isVisible());
        frame.SetStatusText(QStringLiteral(" DEVICE : CONNECTED"));
        QTest::mouseMove(&FormOf(*app, 0), QPoint(5, 150));
        QTRY_VERIFY(status.currentMessage().isEmpty());
        QVERIFY(pane.isVisible());
        QCOMPARE(frame.StatusText(), QStringLiteral(" DEVICE : CONNECTED"));
    }

    // Message boxes: the kind's icon, the product name as caption, the text as it is, a parent,
    // and centred on the window.
    void MessageBoxesCarryTheirIconAndStandOnTheWindow_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("icon");
        QTest::newRow("refused") << "Invalid Database!" << int(QMessageBox::Warning);
        QTest::newRow("not chosen") << "Select Device Data!" << int(QMessageBox::Warning);
        QTest::newRow("open error") << "S19 File Open Error!" << int(QMessageBox::Critical);
        QTest::newRow("write") << "File could not be opened 13\n" << int(QMessageBox::Critical);
        QTest::newRow("corrupted")
            << "User data received from remote control is corrupted!" << int(QMessageBox::Critical);
    }
    void MessageBoxesCarryTheirIconAndStandOnTheWindow() {
        QFETCH(QString, text);
        QFETCH(int, icon);
        auto app = StartApp();
        CMainFrame& frame = *app->Frame();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        FunctionForm& form = FormOf(*app, 0);
        const auto box = MakeMessageBox(&form, KindOfNotice(text), text);
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        QCOMPARE(int(box->icon()), icon);
        QCOMPARE(box->text(), text);
        QCOMPARE(box->windowTitle(), QStringLiteral("VANTO Remote Manager"));
        QCOMPARE(box->parentWidget(), &form);
        const QPoint offset = box->geometry().center() - frame.geometry().center();
        QVERIFY2(offset.manhattanLength() <= 4,
                 qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
    }

    // File dialogs: titled with what is chosen, a save dialog where an output file is named
    // (the page asks its own overwrite question), the page's filter and default extension.
    void FileDialogsSayWhatIsChosen_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QStringList>("filters");
        const QString all = QStringLiteral("All files (*.*)");
        QTest::newRow("app") << 0 << 0 << "Choose the application to install" << false << "s19"
                             << QStringList{"Application files (*.s19)", all};
        QTest::newRow("db") << 1 << 0 << "Choose the database to install" << false << "bin"
                            << QStringList{"Database files (*.bin)", all};
        QTest::newRow("ud up") << 2 << 0 << "Save the user data backup as" << true << "bin"
                               << QStringList{"User data files (*.bin)", all};
        QTest::newRow("od up") << 2 << 1 << "Save the device data backup as" << true << "odf"
                               << QStringList{"One Device data files (*.odf)", all};
        QTest::newRow("ud down") << 3 << 0 << "Choose the user data to restore" << false << "bin"
                                 << QStringList{"User data files (*.bin)", all};
        QTest::newRow("od down") << 3 << 1 << "Choose the device data to restore" << false << "odf"
                                 << QStringList{"One Device data files (*.odf)", all};
        QTest::newRow("icon up") << 4 << 0 << "Save the user icon backup as" << true << "vui"
                                 << QStringList{"User icon files (*.vui)", all};
        QTest::newRow("icon down") << 5 << 0 << "Choose the user icons to restore" << false << "vui"
                                   << QStringList{"User icon files (*.vui)", all};
    }
    void FileDialogsSayWhatIsChosen() {
        QFETCH(int, page);
        QFETCH(int, mode);
        QFETCH(QString, title);
        QFETCH(bool, save);
        QFETCH(QString, suffix);
        QFETCH(QStringList, filters);
        auto app = StartApp();
        FunctionForm& form = FormOf(*app, page);
        const auto dialog = MakeFileDialog(&form, form.BrowseRequestFor(mode));
        QCOMPARE(dialog->windowTitle(), title);
        QCOMPARE(dialog->acceptMode(), save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        QCOMPARE(dialog->fileMode(), save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        QCOMPARE(dialog->testOption(QFileDialog::DontConfirmOverwrite), save);
        QCOMPARE(dialog->defaultSuffix(), suffix);
        QCOMPARE(dialog->nameFilters(), filters);
        QCOMPARE(dialog->parentWidget(), &form);
    }

    // The frame shows the title once, dialogs their own captions.
    void CaptionsShowTheirOwnText() {
        auto app = StartApp();
        QCOMPARE(app->Frame()->windowTitle(), app->Title());
        QVERIFY(QGuiApplication::applicationDisplayName() == QGuiApplication::applicationName());
        CAboutDlg about(app->Title(), app->Frame());
        QCOMPARE(about.windowTitle(), QStringLiteral("About VANTO Remote Manager"));
    }
};

int main(int argc, char** argv) {
    const vanto::gui::window_test::PrivateSettings settings;
    QApplication app(argc, argv);
    TestWindow window;
    return QTest::qExec(&window, argc, argv);
}

#include "test_window.moc"

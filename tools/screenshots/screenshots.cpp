#include "tools/screenshots/screenshots.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <memory>

#include <QEventLoop>
#include <QFile>
#include <QPainter>

#include "app/core/app_look.h"
#include "app/core/function_commands.h"
#include "app/gui/about_dlg.h"
#include "app/gui/forms/function_form.h"
#include "app/gui/qt_owned.h"
#include "app/gui/tavro_app.h"
#include "app/widgets/file_dialog.h"
#include "app/widgets/message_box.h"
#include "tools/screenshots/sample_icons.h"

#include "app/iconedit/icon_edit_dialog.h"
#include "formats/posix_file_system.h"
#include "iconedit/icon_file.h"

namespace vanto::gui {

namespace {

QString FileStem(const char* label) {
    return QString::fromUtf8(label).toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
}

// Lets the window lay itself out, paint and load what it loads in the background.
void Settle(int ms = 50) {
    QElapsedTimer clock;
    clock.start();
    do {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    } while (clock.elapsed() < ms);
}

bool SaveImage(const QImage& image, const QString& dir, const QString& name) {
    const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!image.save(path)) {
        std::fprintf(stderr, "vanto-screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool SaveGrab(QWidget& widget, const QString& dir, const QString& name) {
    Settle();
    return SaveImage(widget.grab().toImage(), dir, name);
}

// The window with `dialog` drawn where it stands over it, on a canvas that holds both.
bool SaveGrabWithDialog(QWidget& window, QWidget& dialog, const QString& dir, const QString& name) {
    Settle(300);
    const QRect both = window.geometry().united(dialog.geometry());
    QImage picture(both.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.drawImage(window.geometry().topLeft() - both.topLeft(), window.grab().toImage());
        painter.drawImage(dialog.geometry().topLeft() - both.topLeft(), dialog.grab().toImage());
    }
    return SaveImage(picture, dir, name);
}

FunctionForm* FormOf(CTavroApp& app, int page) {
    return qobject_cast<FunctionForm*>(&app.PageView(page)->Widget());
}

std::unique_ptr<QWidget> MakeAboutPicture(CTavroApp& app) {
    return std::make_unique<CAboutDlg>(app.Title(), app.Frame());
}

std::unique_ptr<QWidget> MakeMessageBoxPicture(CTavroApp& app) {
    app.Frame()->OnFunctionCommand(FUNC_DB_DOWNLOAD);
    const QString text = QStringLiteral("Invalid Database!");
    return MakeMessageBox(FormOf(app, FUNC_DB_DOWNLOAD), KindOfNotice(text), text);
}

// The database page's file dialog over a folder with two sample files.
std::unique_ptr<QWidget> MakeFileDialogPicture(CTavroApp& app) {
    static QTemporaryDir folder;
    for (const char* name : {"codes-2024.bin", "codes-2025.bin"}) {
        QFile file(folder.filePath(QString::fromLatin1(name)));
        if (file.open(QIODevice::WriteOnly)) {
            file.write(QByteArray(4096, '\0'));
        }
    }
    app.Frame()->OnFunctionCommand(FUNC_DB_DOWNLOAD);
    FunctionForm* form = FormOf(app, FUNC_DB_DOWNLOAD);
    auto dialog = MakeFileDialog(form, form->BrowseRequestFor(0));
    dialog->setDirectory(folder.path());
    dialog->resize(560, 360);
    return dialog;
}

// The percentage of a "%3d%% PROCESSING..." message line, or -1.
int PercentOf(const QString& message) {
    static const QRegularExpression re(QStringLiteral("^ *(\\d{1,3})% PROCESSING\\.\\.\\.$"));
    const auto match = re.match(message);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

bool PutIcon(IconFile& file, IconKind kind, int index, SampleIcon icon) {
    const QByteArray png = SampleIconPng(icon);
    return file.SetIcon(kind, index, reinterpret_cast<const std::uint8_t*>(png.constData()),
                        static_cast<std::size_t>(png.size()));
}

// The editor over a user icon file holding two devices (with their selection icons) and three
// keys, opened the way the "Edit" button opens it.
bool SaveIconEditorPicture(QWidget* parent, const QString& dir) {
    QTemporaryDir work;
    const std::string path = work.filePath(QStringLiteral("sample.vui")).toStdString();
    IconFile file;
    const bool filled = PutIcon(file, ICON_DEVICE, 0, SampleIcon::kTelevision) &&
                        PutIcon(file, ICON_DEVSEL, 0, SampleIcon::kTelevisionChosen) &&
                        PutIcon(file, ICON_DEVICE, 1, SampleIcon::kSpeaker) &&
                        PutIcon(file, ICON_DEVSEL, 1, SampleIcon::kSpeakerChosen) &&
                        PutIcon(file, ICON_KEY, 0, SampleIcon::kPowerKey) &&
                        PutIcon(file, ICON_KEY, 1, SampleIcon::kPlayKey) &&
                        PutIcon(file, ICON_KEY, 2, SampleIcon::kVolumeKey);
    CountingRandomSource random(5, 73);  // no system call: the picture's file is thrown away
    if (!filled || file.PrepareForSave() != 0 ||
        file.WriteIconFile(DefaultFileSystem(), path, random)) {
        std::fprintf(stderr, "vanto-screenshots: the sample icon file could not be made\n");
        return false;
    }
    IconEditPrompts prompts;
    prompts.openFile = [path](const std::string&, const std::string&) {
        return std::optional<std::string>(path);
    };
    prompts.warning = [](const std::string& text, const std::string&) {
        std::fprintf(stderr, "vanto-screenshots: icon editor: %s\n", text.c_str());
    };
    CIconEditDialog dialog(parent, std::move(prompts));
    dialog.SetPath(path);
    dialog.InitDialog();
    dialog.show();
    dialog.activateWindow();
    // The keyboard's cell: the first key, as after a few arrow presses.
    if (QLabel* cell = dialog.CellWidget(iconedit::IDC_KEY_ICON_FIRST)) {
        cell->setFocus(Qt::TabFocusReason);
    }
    const bool saved = SaveGrab(dialog, dir, QStringLiteral("icon-editor"));
    dialog.hide();
    return saved;
}

}  // namespace

const std::vector<DialogPicture>& DialogPictures() {
    static const std::vector<DialogPicture> pictures = {
        {"about", MakeAboutPicture},
        {"message-box", MakeMessageBoxPicture},
        {"file-dialog", MakeFileDialogPicture},
    };
    return pictures;
}

namespace {

bool SaveDialogPictures(CTavroApp& app, const QString& dir) {
    bool ok = true;
    for (const DialogPicture& picture : DialogPictures()) {
        std::unique_ptr<QWidget> dialog = picture.make(app);
        dialog->show();
        ok = SaveGrabWithDialog(*app.Frame(), *dialog, dir, QString::fromUtf8(picture.name)) && ok;
        dialog->hide();
        app.Frame()->OnFunctionCommand(FUNC_APP_DOWNLOAD);
    }
    return ok;
}

}  // namespace

bool TakeScreenshots(CTavroApp& app, const QString& dir) {
    CMainFrame& frame = *app.Frame();
    QDir().mkpath(dir);
    bool ok = true;
    for (int i = 0; i < vanto::FUNC_COUNT; ++i) {
        frame.OnFunctionCommand(i);
        ok = SaveGrab(frame, dir,
                      QStringLiteral("page-%1-%2")
                          .arg(i)
                          .arg(FileStem(kFunctionCommands[i].buttonLabel))) &&
             ok;
    }
    frame.OnFunctionCommand(0);
    for (const auto& item : kAppLookItems) {
        frame.OnLookCommand(item.id);
        ok = SaveGrab(frame, dir, QStringLiteral("look-%1").arg(FileStem(item.label))) && ok;
    }
    frame.OnLookCommand(ID_VIEW_APPLOOK_DEFAULT);
    ok = SaveDialogPictures(app, dir) && ok;
    ok = SaveIconEditorPicture(&frame, dir) && ok;
    return ok;
}

bool TakeOneScreenshot(CTavroApp& app, const QString& dir, const QString& name) {
    QDir().mkpath(dir);
    app.Frame()->OnFunctionCommand(FUNC_APP_DOWNLOAD);
    return SaveGrab(*app.Frame(), dir, name);
}

void TakeTransferScreenshot(CTavroApp& app, const QString& dir, int page, const QString& file,
                            int timeoutMs) {
    CMainFrame& frame = *app.Frame();
    QDir().mkpath(dir);
    frame.OnFunctionCommand(page);
    auto* form = qobject_cast<FunctionForm*>(&app.PageView(page)->Widget());
    if (form == nullptr) {
        QApplication::exit(1);
        return;
    }
    form->SetFileChooser([file](const BrowseRequest&) { return std::optional<QString>(file); });
    form->BrowseButton(0).click();
    std::fprintf(stderr, "screenshot: page %d: %s\n", page, qPrintable(form->MessageText(0)));

    // Watches the page until the bar stands about half way.
    auto* watch = MakeQtOwned<QTimer>(&frame);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    const QString name =
        QStringLiteral("transfer-%1").arg(FileStem(kFunctionCommands[page].buttonLabel));
    QObject::connect(watch, &QTimer::timeout, [=, &frame] {
        const int percent = PercentOf(form->MessageText(0));
        if (percent >= 45 && percent <= 80 && form->ProgressValue() > 0 &&
            form->ProgressValue() < 100) {
            watch->stop();
            std::fprintf(stderr, "screenshot: %s at \"%s\"\n", qPrintable(name),
                         qPrintable(form->MessageText(0)));
            QApplication::exit(SaveGrab(frame, dir, name) ? 0 : 1);
        } else if (clock->elapsed() > timeoutMs) {
            watch->stop();
            std::fprintf(stderr, "screenshot: no transfer under way after %d ms (\"%s\")\n",
                         timeoutMs, qPrintable(form->MessageText(0)));
            QApplication::exit(1);
        }
    });
    watch->start(5);
}

bool ParseScreenshotSelect(const QString& text, int& page, QString& file) {
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon != 1 || text.size() < 3) {
        return false;
    }
    const int n = text.at(0).digitValue();
    if (n < 0 || n >= vanto::FUNC_COUNT) {
        return false;
    }
    page = n;
    file = text.mid(2);
    return true;
}

}  // namespace vanto::gui

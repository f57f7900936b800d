#include "app/gui/screenshots.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/core/app_look.h"
#include "app/core/function_commands.h"
#include "app/gui/forms/function_form.h"
#include "app/gui/qt_owned.h"
#include "app/gui/sample_icons.h"
#include "app/gui/tavro_app.h"

#if VANTO_HAVE_ICON_EDITOR
#include "app/iconedit/icon_edit_dialog.h"
#include "formats/posix_file_system.h"
#include "iconedit/icon_file.h"
#endif

namespace vanto::gui {

namespace {

QString FileStem(const char* label) {
    return QString::fromUtf8(label).toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
}

bool SaveGrab(QWidget& widget, const QString& dir, const QString& name) {
    QApplication::processEvents();
    const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "vanto-remote-manager: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// The percentage of a "%3d%% PROCESSING..." message line, or -1.
int PercentOf(const QString& message) {
    static const QRegularExpression re(QStringLiteral("^ *(\\d{1,3})% PROCESSING\\.\\.\\.$"));
    const auto match = re.match(message);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

#if VANTO_HAVE_ICON_EDITOR

bool PutIcon(IconFile& file, IconKind kind, int index, SampleIcon icon) {
    const QByteArray png = SampleIconPng(icon);
    return file.SetIcon(kind, index, reinterpret_cast<const std::uint8_t*>(png.constData()),
                        static_cast<std::size_t>(png.size()));
}

// The editor over a user icon file holding two devices (with their selection icons) and three
// keys, opened the way the "Edit" button opens it.
void SaveIconEditorPicture(QWidget* parent, const QString& dir) {
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
        std::fprintf(stderr, "vanto-remote-manager: the sample icon file could not be made\n");
        return;
    }
    IconEditPrompts prompts;
    prompts.openFile = [path](const std::string&, const std::string&) {
        return std::optional<std::string>(path);
    };
    prompts.warning = [](const std::string& text, const std::string&) {
        std::fprintf(stderr, "vanto-remote-manager: icon editor: %s\n", text.c_str());
    };
    CIconEditDialog dialog(parent, std::move(prompts));
    dialog.SetPath(path);
    dialog.InitDialog();
    dialog.show();
    SaveGrab(dialog, dir, QStringLiteral("icon-editor"));
    dialog.hide();
}
#endif

}  // namespace

void TakeScreenshots(CTavroApp& app, const QString& dir) {
    CMainFrame& frame = *app.Frame();
    QDir().mkpath(dir);
    for (int i = 0; i < vanto::FUNC_COUNT; ++i) {
        frame.OnFunctionCommand(i);
        SaveGrab(
            frame, dir,
            QStringLiteral("page-%1-%2").arg(i).arg(FileStem(kFunctionCommands[i].buttonLabel)));
    }
    frame.OnFunctionCommand(0);
    for (const auto& item : kAppLookItems) {
        frame.OnLookCommand(item.id);
        SaveGrab(frame, dir, QStringLiteral("look-%1").arg(FileStem(item.label)));
    }
    frame.OnLookCommand(ID_VIEW_APPLOOK_DEFAULT);
#if VANTO_HAVE_ICON_EDITOR
    SaveIconEditorPicture(&frame, dir);
#endif
    QApplication::quit();
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

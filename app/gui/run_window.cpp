#include "app/gui/run_window.h"

#include <sys/stat.h>

#include <QApplication>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/core/command_line.h"
#include "app/gui/forms/icon_editor_launcher.h"
#include "app/gui/pictures.h"
#include "app/gui/qt_owned.h"
#include "app/gui/screenshots.h"
#include "app/gui/tavro_app.h"
#include "app/serve/signal_pipe.h"
#include "link/link_factory.h"

#if VANTO_HAVE_ICON_EDITOR
#include "app/iconedit/icon_editor_runner.h"
#endif

namespace vanto::gui {

namespace {

struct WindowArgs {
    std::string link = "usb";
    bool linkGiven = false;
    std::string usb;
    QString screenshotDir;
    std::string screenshotSelect;  // "N:FILE": one picture of page N during a real transfer
};

// Parses what QApplication left (its own options are gone) with the common parser; false (with a
// message) on a usage error.
bool ParseWindowArgs(const std::vector<std::string>& words, WindowArgs& args) {
    cli::ParsedArgs parsed;
    std::string error;
    if (!cli::ParseCommandLine(cli::WindowCommand(), words, parsed, error)) {
        std::fprintf(stderr, "vanto-remote-manager: %s\n\n%s", error.c_str(),
                     cli::CommandHelp(cli::WindowCommand()).c_str());
        return false;
    }
    args.linkGiven = parsed.Has("--link");
    if (args.linkGiven) {
        args.link = parsed.Value("--link");
    }
    args.usb = parsed.Value("--usb");
    args.screenshotDir = QString::fromStdString(parsed.Value("--screenshot"));
    args.screenshotSelect = parsed.Value("--screenshot-select");
    return true;
}

// The link the options name; for plain "usb" the ids come from --usb or the setting
// "Link/UsbIds".
bool MakeLinkOption(const WindowArgs& args, vanto::LinkOption& option) {
    std::string error;
    if (!vanto::ParseLinkOption(args.link, option, error)) {
        std::fprintf(stderr, "vanto-remote-manager: --link: %s\n", error.c_str());
        return false;
    }
    if (option.kind == vanto::LinkOption::Kind::kUsb && option.usbIds.empty()) {
        std::string ids = args.usb;
        if (ids.empty()) {
            QSettings settings(QStringLiteral("Local AppWizard-Generated Applications"),
                               QStringLiteral("Tavro"));
            ids = settings.value(QStringLiteral("Link/UsbIds")).toString().toStdString();
        }
        if (!ids.empty() && !vanto::ParseUsbIdList(ids, option.usbIds, error)) {
            std::fprintf(stderr, "vanto-remote-manager: --usb: %s\n", error.c_str());
            return false;
        }
    }
    return true;
}

// A remote that may not be opened, or a USB stack that cannot be used: said once, in a box that
// does not hold the poll that found it.
void ShowLinkNotice(CTavroApp& app, const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    CMainFrame* frame = app.Frame();
    if (frame == nullptr) {
        return;
    }
    auto* box = MakeQtOwned<QMessageBox>(QMessageBox::Warning, frame->windowTitle(),
                                         QString::fromStdString(text), QMessageBox::Ok, frame);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

// The settings file is read by QSettings with a blocking open: one that is not a regular file (a
// FIFO would hang the start) is not used. The settings then live in a folder of this run only.
void AvoidUnusableSettingsFile(std::optional<QTemporaryDir>& privateSettings) {
    // Where QSettings keeps the user's settings; asking QSettings itself would open the file.
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         QStringLiteral("/Local AppWizard-Generated Applications/Tavro.conf");
    struct stat st {};
    if (::stat(path.toLocal8Bit().constData(), &st) != 0 || S_ISREG(st.st_mode)) {
        return;
    }
    std::fprintf(stderr,
                 "vanto-remote-manager: %s: not a regular file; the stored settings are not used\n",
                 path.toLocal8Bit().constData());
    privateSettings.emplace();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, privateSettings->path());
}

}  // namespace

int RunWindow(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vanto-remote-manager"));
    QApplication::setApplicationDisplayName(QStringLiteral("VANTO Remote Manager"));
    QApplication::setDesktopFileName(QStringLiteral("vanto-remote-manager"));
    QApplication::setWindowIcon(AppIcon());

    // Only pictures and an unusable settings file need a folder of their own: a normal start
    // creates nothing.
    std::optional<QTemporaryDir> settingsDir;
    AvoidUnusableSettingsFile(settingsDir);

    WindowArgs args;
    std::vector<std::string> words;
    for (const QString& a : QApplication::arguments().mid(1)) {
        words.push_back(a.toStdString());
    }
    if (!ParseWindowArgs(words, args)) {
        return cli::kExitUsage;
    }
    vanto::LinkOption linkOption;
    if (!MakeLinkOption(args, linkOption)) {
        return cli::kExitUsage;
    }

#if VANTO_HAVE_ICON_EDITOR
    SetIconEditorDialog([](QWidget* parent, const std::string& proposedPath) {
        return RunIconEditDialog(parent, proposedPath);
    });
#endif

    const bool screenshots = !args.screenshotDir.isEmpty();
    int selectPage = -1;
    QString selectFile;
    if (!args.screenshotSelect.empty() &&
        (!screenshots || !ParseScreenshotSelect(QString::fromStdString(args.screenshotSelect),
                                                selectPage, selectFile))) {
        std::fprintf(stderr,
                     "vanto-remote-manager: --screenshot-select needs --screenshot and "
                     "N:FILE\n");
        return cli::kExitUsage;
    }
    CTavroApp app;
    CTavroApp::Options options;
    if (screenshots) {
        // Pictures never change the user's stored style.
        if (!settingsDir) {
            settingsDir.emplace();
        }
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir->path());
        options.singleInstance = false;
    }
    // The pictures of pages and styles show no device unless a link is named.
    if (!screenshots || args.linkGiven) {
        options.frame.makeLink = [linkOption, &app] {
            return vanto::MakeDeviceLink(
                linkOption, [&app](const std::string& text) { ShowLinkNotice(app, text); });
        };
    }

    if (!app.InitInstance(std::move(options))) {
        return app.OtherCopyRuns() ? 0 : 1;
    }
    if (screenshots && selectPage >= 0) {
        QTimer::singleShot(300, [&app, &args, selectPage, selectFile] {
            TakeTransferScreenshot(app, args.screenshotDir, selectPage, selectFile, 30000);
        });
    } else if (screenshots) {
        QTimer::singleShot(300, [&app, &args] { TakeScreenshots(app, args.screenshotDir); });
    }
    // SIGINT, SIGTERM and SIGHUP end the window as closing it does: the event loop returns, the
    // engine stops, the link is released and an upload cut short keeps what arrived beside its
    // file (the older file stays). The status tells which signal ended it.
    int endedBy = 0;
    serve::SignalPipe signalPipe([&endedBy](int signo) {
        endedBy = signo;
        QApplication::quit();
    });
    const int status = QApplication::exec();
    return endedBy != 0 ? 128 + endedBy : status;
}

}  // namespace vanto::gui

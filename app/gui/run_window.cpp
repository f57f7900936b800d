#include "app/gui/run_window.h"

#include <QApplication>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/core/command_line.h"
#include "app/gui/forms/icon_editor_launcher.h"
#include "app/gui/pictures.h"
#include "app/gui/remote_chooser_hook.h"
#include "app/gui/tavro_app.h"
#include "app/serve/signal_pipe.h"
#include "app/settings/app_settings.h"
#include "app/widgets/message_box.h"
#include "link/link_factory.h"
#include "link/usb_link.h"

#include "app/iconedit/icon_editor_runner.h"

namespace vanto::gui {

namespace {

struct WindowArgs {
    std::string link = "usb";
    bool linkGiven = false;
    std::vector<std::string> usb;
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
    args.usb = parsed.Values("--usb");
    return true;
}

// The link the options name; for plain "usb" the ids come from --usb or, without it, from the
// remote chosen in the settings. `override` names what the command line chose for this run.
bool MakeLinkOption(const WindowArgs& args, vanto::LinkOption& option, QString& override) {
    std::string error;
    if (!vanto::ParseLinkOption(args.link, option, error) ||
        !vanto::AddUsbIdOptions(args.usb, option, error)) {
        std::fprintf(stderr, "vanto-remote-manager: %s\n", error.c_str());
        return false;
    }
    if (option.kind != vanto::LinkOption::Kind::kUsb) {
        // A serial link: no USB remote is followed in this run.
        override = QStringLiteral("--link ") + QString::fromStdString(args.link);
        return true;
    }
    if (!option.usbIds.empty()) {
        QStringList named;
        if (args.linkGiven && args.link != "usb") {
            named << QStringLiteral("--link ") + QString::fromStdString(args.link);
        }
        for (const std::string& usb : args.usb) {
            named << QStringLiteral("--usb ") + QString::fromStdString(usb);
        }
        override = named.join(QLatin1Char(' '));
        return true;
    }
    if (const auto chosen = vanto::settings::ReadChosenRemote()) {
        option.usbIds = chosen->ids;
        option.usbSerial = chosen->serial;
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
    // Qt owns the box from here: it deletes itself when closed.
    QMessageBox* box =
        MakeMessageBox(frame, BoxKind::Warning, QString::fromStdString(text)).release();
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

}  // namespace

int RunWindow(int argc, char** argv) {
    QApplication application(argc, argv);
    // No display name: Qt would add it to every window's caption after the window's own title.
    QApplication::setApplicationName(QStringLiteral("vanto-remote-manager"));
    QApplication::setDesktopFileName(QStringLiteral("vanto-remote-manager"));
    QApplication::setWindowIcon(AppIcon());

    WindowArgs args;
    std::vector<std::string> words;
    for (const QString& a : QApplication::arguments().mid(1)) {
        words.push_back(a.toStdString());
    }
    if (!ParseWindowArgs(words, args)) {
        return cli::kExitUsage;
    }
    vanto::LinkOption linkOption;
    QString linkOverride;
    if (!MakeLinkOption(args, linkOption, linkOverride)) {
        return cli::kExitUsage;
    }

    SetIconEditorDialog([](QWidget* parent, const std::string& proposedPath) {
        return RunIconEditDialog(parent, proposedPath);
    });

    CTavroApp app;
    CTavroApp::Options options;
    options.frame.makeLink = [linkOption, linkOverride, &app] {
        auto link = vanto::MakeDeviceLink(
            linkOption, [&app](const std::string& text) { ShowLinkNotice(app, text); });
        // The chosen remote's refusal gets the window's own notice, with the fix.
        if (auto* usb = dynamic_cast<vanto::UsbLink*>(link.get()); usb && linkOverride.isEmpty()) {
            usb->SetPermissionNotices(false);
        }
        return link;
    };

    if (!app.InitInstance(std::move(options))) {
        return app.OtherCopyRuns() ? 0 : 1;
    }
    if (const QString notice = vanto::settings::SettingsNotice(); !notice.isEmpty()) {
        ShowLinkNotice(app, notice.toStdString());
    }
    RemoteChoice::Options choiceOptions;
    choiceOptions.link = dynamic_cast<vanto::UsbLink*>(app.Frame()->Engine().Link());
    choiceOptions.overrideText = linkOverride;
    InstallRemoteChooser(*app.Frame(), std::move(choiceOptions));
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

#include "app/gui/run_window.h"

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/gui/forms/icon_editor_launcher.h"
#include "app/gui/pictures.h"
#include "app/gui/remote_chooser_hook.h"
#include "app/gui/tavro_app.h"
#include "app/settings/app_settings.h"
#include "app/widgets/message_box.h"
#include "link/link_factory.h"
#include "link/usb_link.h"

#if VANTO_HAVE_ICON_EDITOR
#include "app/iconedit/icon_editor_runner.h"
#endif

namespace vanto::gui {

namespace {

struct WindowArgs {
    std::string link = "usb";
    bool linkGiven = false;
    std::string usb;
};

bool TakeValue(int argc, char** argv, int& i, const char* name, std::string& value) {
    const std::size_t n = std::strlen(name);
    if (std::strncmp(argv[i], name, n) != 0) {
        return false;
    }
    if (argv[i][n] == '=') {
        value = argv[i] + n + 1;
        return true;
    }
    if (argv[i][n] != '\0') {
        return false;
    }
    if (i + 1 >= argc) {
        value.clear();
        return true;
    }
    value = argv[++i];
    return true;
}

// Parses what QApplication left; false (with a message) on a usage error.
bool ParseWindowArgs(int argc, char** argv, WindowArgs& args) {
    for (int i = 1; i < argc; ++i) {
        std::string value;
        if (TakeValue(argc, argv, i, "--link", value)) {
            args.link = value;
            args.linkGiven = true;
        } else if (TakeValue(argc, argv, i, "--usb", value)) {
            args.usb = value;
        } else {
            std::fprintf(stderr, "vanto-remote-manager: unknown option '%s'\n", argv[i]);
            return false;
        }
    }
    return true;
}

// The link the options name; for plain "usb" the ids come from --usb or, without it, from the
// remote chosen in the settings. `override` names what the command line chose for this run.
bool MakeLinkOption(const WindowArgs& args, vanto::LinkOption& option, QString& override) {
    std::string error;
    if (!vanto::ParseLinkOption(args.link, option, error)) {
        std::fprintf(stderr, "vanto-remote-manager: --link: %s\n", error.c_str());
        return false;
    }
    if (option.kind != vanto::LinkOption::Kind::kUsb) {
        // A serial link: no USB remote is followed in this run.
        override = QStringLiteral("--link ") + QString::fromStdString(args.link);
        return true;
    }
    if (!option.usbIds.empty()) {
        override = QStringLiteral("--link ") + QString::fromStdString(args.link);
        return true;
    }
    if (!args.usb.empty()) {
        if (!vanto::ParseUsbIdList(args.usb, option.usbIds, error)) {
            std::fprintf(stderr, "vanto-remote-manager: --usb: %s\n", error.c_str());
            return false;
        }
        override = QStringLiteral("--usb ") + QString::fromStdString(args.usb);
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

bool IsWindowArgument(const char* arg) {
    if (arg == nullptr) {
        return true;
    }
    for (const char* name : {"--link", "--usb"}) {
        const std::size_t n = std::strlen(name);
        if (std::strncmp(arg, name, n) == 0 && (arg[n] == '\0' || arg[n] == '=')) {
            return true;
        }
    }
    // Qt's own options (-platform, -style, ...) start with a single dash.
    return arg[0] == '-' && arg[1] != '-' && arg[1] != '\0' && std::strcmp(arg, "-h") != 0;
}

int RunWindow(int argc, char** argv) {
    QApplication application(argc, argv);
    // No display name: Qt would add it to every window's caption after the window's own title.
    QApplication::setApplicationName(QStringLiteral("vanto-remote-manager"));
    QApplication::setDesktopFileName(QStringLiteral("vanto-remote-manager"));
    QApplication::setWindowIcon(AppIcon());

    WindowArgs args;
    const QStringList rest = QApplication::arguments();
    std::vector<std::string> owned;
    for (const QString& a : rest) {
        owned.push_back(a.toStdString());
    }
    std::vector<char*> plain;
    for (auto& a : owned) {
        plain.push_back(a.data());
    }
    if (!ParseWindowArgs(static_cast<int>(plain.size()), plain.data(), args)) {
        return 2;
    }
    vanto::LinkOption linkOption;
    QString linkOverride;
    if (!MakeLinkOption(args, linkOption, linkOverride)) {
        return 2;
    }

#if VANTO_HAVE_ICON_EDITOR
    SetIconEditorDialog([](QWidget* parent, const std::string& proposedPath) {
        return RunIconEditDialog(parent, proposedPath);
    });
#endif

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
    return QApplication::exec();
}

}  // namespace vanto::gui

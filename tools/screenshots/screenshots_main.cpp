// vanto-screenshots: pictures of the window for the README.
//   vanto-screenshots DIR                      every page, look and dialog and the icon editor
//   vanto-screenshots DIR --one NAME [--dark]  page 0 in the Default look as NAME.png; --dark
//                                              gives the program a dark desktop palette first
//   vanto-screenshots DIR --link tty:PATH --select N:FILE
//                                              page N during a real transfer of FILE
// The settings go to a temporary folder, so the user's stored style is never touched.
#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <string>

#include "app/gui/forms/icon_editor_launcher.h"
#include "app/gui/pictures.h"
#include "app/gui/remote_chooser_hook.h"
#include "app/gui/tavro_app.h"
#include "link/link_factory.h"
#include "tools/screenshots/sample_palette.h"
#include "tools/screenshots/screenshots.h"

#include "app/iconedit/icon_editor_runner.h"

using namespace vanto::gui;

namespace {

struct Args {
    QString dir;
    QString one;
    bool dark = false;
    QString link;
    QString select;
};

bool Parse(const QStringList& args, Args& out) {
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == QStringLiteral("--one") && hasValue) {
            out.one = args[++i];
        } else if (arg == QStringLiteral("--dark")) {
            out.dark = true;
        } else if (arg == QStringLiteral("--link") && hasValue) {
            out.link = args[++i];
        } else if (arg == QStringLiteral("--select") && hasValue) {
            out.select = args[++i];
        } else if (!arg.startsWith(QLatin1Char('-')) && out.dir.isEmpty()) {
            out.dir = arg;
        } else {
            return false;
        }
    }
    return !out.dir.isEmpty() && out.link.isEmpty() == out.select.isEmpty();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vanto-remote-manager"));
    QApplication::setWindowIcon(AppIcon());
    Args args;
    if (!Parse(QApplication::arguments(), args)) {
        std::fprintf(stderr,
                     "usage: vanto-screenshots DIR [--one NAME [--dark]] "
                     "[--link tty:PATH --select N:FILE]\n");
        return 2;
    }
    QTemporaryDir settingsDir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settingsDir.path()));
    if (args.dark) {
        QApplication::setPalette(SampleDarkPalette());
    }
    SetIconEditorDialog([](QWidget* parent, const std::string& proposedPath) {
        return RunIconEditDialog(parent, proposedPath);
    });

    int page = -1;
    QString file;
    vanto::LinkOption linkOption;
    if (!args.select.isEmpty()) {
        std::string error;
        if (!ParseScreenshotSelect(args.select, page, file) ||
            !vanto::ParseLinkOption(args.link.toStdString(), linkOption, error)) {
            std::fprintf(stderr, "vanto-screenshots: bad --select or --link\n");
            return 2;
        }
    }

    CTavroApp app;
    CTavroApp::Options options;
    options.singleInstance = false;
    if (page >= 0) {
        options.frame.makeLink = [linkOption] {
            return vanto::MakeDeviceLink(linkOption, [](const std::string& text) {
                std::fprintf(stderr, "vanto-screenshots: %s\n", text.c_str());
            });
        };
    }
    if (!app.InitInstance(std::move(options))) {
        return 1;
    }
    // The status bar as a new user sees it: "Choose remote..." at its right while none is chosen.
    RemoteChoice::Options choiceOptions;
    if (page >= 0) {
        choiceOptions.overrideText = QStringLiteral("--link ") + args.link;
    }
    InstallRemoteChooser(*app.Frame(), std::move(choiceOptions));
    QTimer::singleShot(300, [&] {
        if (page >= 0) {
            TakeTransferScreenshot(app, args.dir, page, file, 30000);
        } else if (!args.one.isEmpty()) {
            QApplication::exit(TakeOneScreenshot(app, args.dir, args.one) ? 0 : 1);
        } else {
            QApplication::exit(TakeScreenshots(app, args.dir) ? 0 : 1);
        }
    });
    return QApplication::exec();
}

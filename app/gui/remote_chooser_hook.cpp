#include "app/gui/remote_chooser_hook.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPointer>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/gui/main_frame.h"
#include "app/gui/qt_owned.h"
#include "app/gui/remote_access_panel.h"
#include "app/gui/remote_chooser_dlg.h"
#include "app/gui/remote_status_item.h"

namespace vanto::gui {
namespace {

// The notice shown once per plug-in when the chosen remote refuses access.
void ShowAccessNotice(CMainFrame& frame, RemoteChoice& choice,
                      const vanto::UsbDeviceEntry& device) {
    auto* dialog = MakeQtOwned<QDialog>(&frame);
    dialog->setObjectName(QStringLiteral("RemoteAccessNotice"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Access to the remote"));
    auto* layout = MakeQtOwned<QVBoxLayout>(dialog);
    auto* panel = MakeQtOwned<RemoteAccessPanel>(dialog);
    panel->ShowDevice(device);
    layout->addWidget(panel);
    auto* buttons = MakeQtOwned<QDialogButtonBox>(QDialogButtonBox::Close, dialog);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    QObject::connect(panel, &RemoteAccessPanel::AccessAllowed, &choice, &RemoteChoice::Refresh);
    dialog->resize(600, 300);
    // Not modal: the poll that found the device goes on.
    dialog->show();
}

}  // namespace

void OpenRemoteChooser(CMainFrame& frame, RemoteChoice& choice) {
    RemoteChooserDlg dialog(choice, &frame);
    dialog.exec();
}

RemoteChoice* InstallRemoteChooser(CMainFrame& frame, RemoteChoice::Options options) {
    auto* choice = MakeQtOwned<RemoteChoice>(&frame, std::move(options));

    QAction* action = frame.Ribbon().AddAppMenuCommand(
        QStringLiteral("Choose Remote..."), QIcon(), QStringLiteral("Choose Remote"),
        QStringLiteral("Choose the USB device that is the remote control"));
    action->setObjectName(QStringLiteral("ChooseRemoteAction"));
    QObject::connect(action, &QAction::triggered, &frame,
                     [&frame, choice] { OpenRemoteChooser(frame, *choice); });

    auto* item = MakeQtOwned<RemoteStatusItem>(*choice, &frame);
    frame.statusBar()->addPermanentWidget(item);
    QObject::connect(item, &QToolButton::clicked, &frame,
                     [&frame, choice] { OpenRemoteChooser(frame, *choice); });

    QObject::connect(choice, &RemoteChoice::AccessDenied, &frame,
                     [&frame, choice](const vanto::UsbDeviceEntry& device) {
                         ShowAccessNotice(frame, *choice, device);
                     });
    return choice;
}

}  // namespace vanto::gui

#pragma once
// The "Choose Remote..." dialog: the USB devices that could be the remote, updated live as they
// come and go, with their port, state and names. "Use" stores the selected one as the remote (the
// link follows it at once), "Forget" clears the choice. A device that refuses access shows the
// udev rule that fixes it.

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "app/gui/remote_access_panel.h"
#include "app/gui/remote_choice.h"

namespace vanto::gui {

class RemoteChooserDlg final : public QDialog {
    Q_OBJECT
public:
    RemoteChooserDlg(RemoteChoice& choice, QWidget* parent);

    QTreeWidget& List() { return *m_list; }
    QPushButton& UseButton() { return *m_use; }
    QPushButton& ForgetButton() { return *m_forget; }
    RemoteAccessPanel& AccessPanel() { return *m_access; }
    QString ChoiceText() const { return m_choiceLabel->text(); }

private:
    void Fill();
    void ShowChoice();
    void OnSelection();
    const vanto::UsbDeviceEntry* Selected() const;

    RemoteChoice& m_choice;
    // Owned by the dialog.
    QLabel* m_choiceLabel = nullptr;
    QLabel* m_note = nullptr;
    QTreeWidget* m_list = nullptr;
    RemoteAccessPanel* m_access = nullptr;
    QPushButton* m_use = nullptr;
    QPushButton* m_forget = nullptr;
};

}  // namespace vanto::gui

#pragma once
// What a user needs when the remote is attached but may not be opened: the exact udev rule for
// that device, the two commands that install it with a "Copy" button, and, where pkexec exists,
// "Allow access...", which shows the rule, installs it through pkexec (the program's own
// --install-udev-rule step: it writes that one rule file and has udev apply it) and reports back.

#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QWidget>
#include <memory>

#include "link/usb_device_list.h"

namespace vanto::gui {

class RemoteAccessPanel final : public QWidget {
    Q_OBJECT
public:
    explicit RemoteAccessPanel(QWidget* parent = nullptr);
    ~RemoteAccessPanel() override;

    void ShowDevice(const vanto::UsbDeviceEntry& device);
    // The text "Copy" puts on the clipboard: the two install commands.
    QString CommandsText() const;
    QPushButton& CopyButton() { return *m_copy; }
    // Null where pkexec is not installed.
    QPushButton* AllowButton() { return m_allow; }
    QString StatusText() const { return m_status->text(); }

signals:
    // The rule was installed: the device can be tried again.
    void AccessAllowed();

private:
    void OnAllow();
    void OnFinished(int exitCode, QProcess::ExitStatus status);

    vanto::UsbDeviceEntry m_device;
    bool m_bShown = false;
    QLabel* m_intro = nullptr;  // owned by the panel
    QPlainTextEdit* m_text = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_allow = nullptr;
    QLabel* m_status = nullptr;
    std::unique_ptr<QProcess> m_process;
};

}  // namespace vanto::gui

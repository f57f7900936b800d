#include "app/gui/remote_access_panel.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "app/gui/qt_owned.h"
#include "link/udev_rule.h"

namespace vanto::gui {
namespace {

QString Rule(const vanto::UsbDeviceEntry& device) {
    return QString::fromStdString(vanto::UdevRuleLine(device.id));
}

}  // namespace

RemoteAccessPanel::RemoteAccessPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("RemoteAccessPanel"));
    auto* layout = MakeQtOwned<QVBoxLayout>(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_intro = MakeQtOwned<QLabel>(this);
    m_intro->setWordWrap(true);
    layout->addWidget(m_intro);
    m_text = MakeQtOwned<QPlainTextEdit>(this);
    m_text->setObjectName(QStringLiteral("RuleText"));
    m_text->setReadOnly(true);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text->setMinimumHeight(110);
    layout->addWidget(m_text);
    auto* buttons = MakeQtOwned<QHBoxLayout>();
    layout->addLayout(buttons);
    m_copy = MakeQtOwned<QPushButton>(QStringLiteral("Copy"), this);
    m_copy->setToolTip(QStringLiteral("Copy the two commands to paste them into a terminal"));
    buttons->addWidget(m_copy);
    connect(m_copy, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(CommandsText()); });
    if (!QStandardPaths::findExecutable(QStringLiteral("pkexec")).isEmpty()) {
        m_allow = MakeQtOwned<QPushButton>(QStringLiteral("Allow access..."), this);
        m_allow->setToolTip(
            QStringLiteral("Install the rule now; asks for an administrator's "
                           "password"));
        buttons->addWidget(m_allow);
        connect(m_allow, &QPushButton::clicked, this, &RemoteAccessPanel::OnAllow);
    }
    buttons->addStretch(1);
    m_status = MakeQtOwned<QLabel>(this);
    m_status->setObjectName(QStringLiteral("AccessStatus"));
    m_status->setWordWrap(true);
    layout->addWidget(m_status);
}

RemoteAccessPanel::~RemoteAccessPanel() {
    if (m_process) {
        // The privileged step goes on by itself; only our watch of it ends here. Destroying a
        // running QProcess would kill it and wait for it on this thread, which also runs the
        // engine: the process deletes itself when it ends instead.
        QProcess* process = m_process.release();
        process->disconnect(this);
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    }
}

QString RemoteAccessPanel::CommandsText() const {
    QStringList lines;
    for (const std::string& command : vanto::UdevInstallCommands(m_device.id)) {
        lines << QString::fromStdString(command);
    }
    return lines.join(QLatin1Char('\n'));
}

void RemoteAccessPanel::ShowDevice(const vanto::UsbDeviceEntry& device) {
    if (m_bShown && device.bus == m_device.bus && device.address == m_device.address &&
        device.id == m_device.id) {
        return;  // the same plug-in: keep what the panel says about it
    }
    m_bShown = true;
    m_device = device;
    m_intro->setText(
        QStringLiteral("This user may not open %1 (USB %2 on bus %3 device %4). This udev rule "
                       "gives the user at the seat access to it:")
            .arg(QString::fromStdString(vanto::DescribeUsbDevice(device)),
                 QString::fromStdString(vanto::FormatUsbId(device.id)))
            .arg(device.bus, 3, 10, QLatin1Char('0'))
            .arg(device.address, 3, 10, QLatin1Char('0')));
    m_text->setPlainText(Rule(device) +
                         QStringLiteral("\n\nThese two commands install it; then plug the "
                                        "remote in again:\n\n") +
                         CommandsText());
    m_status->clear();
}

void RemoteAccessPanel::OnAllow() {
    const QString question =
        QStringLiteral(
            "This installs the following rule as %1 and has udev apply it. You will "
            "be asked for an administrator's password.\n\n%2")
            .arg(QString::fromLatin1(vanto::kUdevRulePath), Rule(m_device));
    if (QMessageBox::question(this, QStringLiteral("Allow access"), question,
                              QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok) {
        return;
    }
    if (m_process) {
        return;  // one installation at a time
    }
    m_process = std::make_unique<QProcess>();
    connect(m_process.get(), &QProcess::finished, this, &RemoteAccessPanel::OnFinished);
    connect(m_process.get(), &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            OnFinished(-1, QProcess::CrashExit);
        }
    });
    m_status->setText(QStringLiteral("Waiting for the administrator's password..."));
    if (m_allow) {
        m_allow->setEnabled(false);
    }
    m_process->start(
        QStandardPaths::findExecutable(QStringLiteral("pkexec")),
        {QCoreApplication::applicationFilePath(), QStringLiteral("--install-udev-rule"),
         QString::fromStdString(vanto::FormatUsbId(m_device.id))});
}

void RemoteAccessPanel::OnFinished(int exitCode, QProcess::ExitStatus status) {
    // Deleted once this signal of it has returned.
    QProcess* process = m_process.release();
    if (process) {
        process->deleteLater();
    }
    if (m_allow) {
        m_allow->setEnabled(true);
    }
    if (status == QProcess::NormalExit && exitCode == 0) {
        m_status->setText(QStringLiteral("The rule is installed. The remote is tried again."));
        emit AccessAllowed();
        return;
    }
    QString why =
        process ? QString::fromLocal8Bit(process->readAllStandardError()).trimmed() : QString();
    if (exitCode == 126 || exitCode == 127) {
        why = QStringLiteral("The administrator's password was not given.");
    } else if (why.isEmpty()) {
        why = QStringLiteral("pkexec could not run the installation.");
    }
    m_status->setText(QStringLiteral("Access was not allowed: %1 The two commands above do the "
                                     "same in a terminal.")
                          .arg(why));
}

}  // namespace vanto::gui

#include "app/gui/remote_chooser_dlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QVBoxLayout>

#include "app/gui/qt_owned.h"

namespace vanto::gui {
namespace {

enum Column { kDevice, kId, kPort, kState, kColumns };

QString Names(const vanto::UsbDeviceEntry& device) {
    QString text = QString::fromStdString(device.manufacturer);
    if (!device.product.empty()) {
        text += (text.isEmpty() ? QString() : QStringLiteral(" ")) +
                QString::fromStdString(device.product);
    }
    if (text.isEmpty()) {
        text = QStringLiteral("(no name)");
    }
    if (!device.serial.empty()) {
        text += QStringLiteral(", serial ") + QString::fromStdString(device.serial);
    }
    if (device.serialAdapter) {
        text += QStringLiteral(" (serial adapter)");
    }
    return text;
}

}  // namespace

RemoteChooserDlg::RemoteChooserDlg(RemoteChoice& choice, QWidget* parent)
    : QDialog(parent), m_choice(choice) {
    setObjectName(QStringLiteral("RemoteChooser"));
    setWindowTitle(QStringLiteral("Choose Remote"));
    auto* layout = MakeQtOwned<QVBoxLayout>(this);
    auto* intro = MakeQtOwned<QLabel>(
        QStringLiteral("Plug the remote control in and choose it below. The program then "
                       "finds it again whenever it is plugged in."),
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    m_list = MakeQtOwned<QTreeWidget>(this);
    m_list->setObjectName(QStringLiteral("DeviceList"));
    m_list->setColumnCount(kColumns);
    m_list->setHeaderLabels({QStringLiteral("Device"), QStringLiteral("ID"), QStringLiteral("Port"),
                             QStringLiteral("State")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->header()->setSectionResizeMode(kDevice, QHeaderView::Stretch);
    m_list->header()->setStretchLastSection(false);
    m_list->setMinimumHeight(120);
    layout->addWidget(m_list, 1);

    m_note = MakeQtOwned<QLabel>(this);
    m_note->setWordWrap(true);
    layout->addWidget(m_note);
    m_choiceLabel = MakeQtOwned<QLabel>(this);
    m_choiceLabel->setObjectName(QStringLiteral("ChoiceText"));
    m_choiceLabel->setWordWrap(true);
    layout->addWidget(m_choiceLabel);

    m_access = MakeQtOwned<RemoteAccessPanel>(this);
    m_access->hide();
    layout->addWidget(m_access);

    auto* buttons = MakeQtOwned<QDialogButtonBox>(this);
    m_use = buttons->addButton(QStringLiteral("Use"), QDialogButtonBox::AcceptRole);
    m_forget = buttons->addButton(QStringLiteral("Forget"), QDialogButtonBox::ResetRole);
    buttons->addButton(QDialogButtonBox::Close);
    layout->addWidget(buttons);
    // "Use" and "Forget" act without closing, so the result can be seen in the list.
    disconnect(buttons, &QDialogButtonBox::accepted, this, nullptr);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_use, &QPushButton::clicked, this, [this] {
        if (const auto* device = Selected()) {
            m_choice.Use(*device);
        }
    });
    connect(m_forget, &QPushButton::clicked, this, [this] { m_choice.Forget(); });
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &RemoteChooserDlg::OnSelection);
    connect(&m_choice, &RemoteChoice::DevicesChanged, this, &RemoteChooserDlg::Fill);
    connect(&m_choice, &RemoteChoice::ChoiceChanged, this, &RemoteChooserDlg::Fill);
    connect(m_access, &RemoteAccessPanel::AccessAllowed, &m_choice, &RemoteChoice::Refresh);
    resize(620, 380);
    Fill();
}

const vanto::UsbDeviceEntry* RemoteChooserDlg::Selected() const {
    const QList<QTreeWidgetItem*> items = m_list->selectedItems();
    if (items.isEmpty()) {
        return nullptr;
    }
    const int row = items.front()->data(kDevice, Qt::UserRole).toInt();
    const auto& devices = m_choice.Devices();
    return row >= 0 && row < static_cast<int>(devices.size()) ? &devices[row] : nullptr;
}

void RemoteChooserDlg::Fill() {
    // The selection follows the device across a refresh.
    const vanto::UsbDeviceEntry* before = Selected();
    const std::string selectedPath = before ? before->path : std::string();
    m_list->clear();
    const auto& devices = m_choice.Devices();
    QTreeWidgetItem* reselect = nullptr;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const auto& device = devices[i];
        auto* item = MakeQtOwned<QTreeWidgetItem>(m_list);
        item->setText(kDevice, Names(device));
        item->setText(kId, QString::fromStdString(vanto::FormatUsbId(device.id)));
        item->setText(kPort, QString::fromStdString(device.path));
        QString state = QString::fromLatin1(vanto::UsbDeviceStateText(device.state));
        if (m_choice.IsChosen(device)) {
            state += QStringLiteral(", chosen");
            QFont bold = item->font(kDevice);
            bold.setBold(true);
            for (int c = 0; c < kColumns; ++c) {
                item->setFont(c, bold);
            }
        }
        item->setText(kState, state);
        item->setData(kDevice, Qt::UserRole, static_cast<int>(i));
        if (device.path == selectedPath || (!reselect && m_choice.IsChosen(device))) {
            reselect = item;
        }
    }
    for (int c = kId; c < kColumns; ++c) {
        m_list->resizeColumnToContents(c);
    }
    if (!reselect && m_list->topLevelItemCount() == 1) {
        reselect = m_list->topLevelItem(0);
    }
    if (reselect) {
        reselect->setSelected(true);
    }
    QString note;
    if (!m_choice.ListError().isEmpty()) {
        note = m_choice.ListError();
    } else if (devices.empty()) {
        note = QStringLiteral(
            "No USB device that could be the remote is attached. Plug the "
            "remote in: it appears here.");
    }
    if (!m_choice.OverrideText().isEmpty()) {
        note += (note.isEmpty() ? QString() : QStringLiteral("\n")) +
                QStringLiteral(
                    "This run uses %1 from the command line; a choice made here "
                    "applies from the next start.")
                    .arg(m_choice.OverrideText());
    }
    m_note->setText(note);
    m_note->setVisible(!note.isEmpty());
    ShowChoice();
    OnSelection();
}

void RemoteChooserDlg::ShowChoice() {
    const auto& chosen = m_choice.Chosen();
    if (!chosen) {
        m_choiceLabel->setText(QStringLiteral("No remote is chosen."));
    } else {
        m_choiceLabel->setText(
            QStringLiteral("Chosen remote: USB %1%2.")
                .arg(QString::fromStdString(vanto::DescribeUsbMatch(*chosen)),
                     m_choice.ChosenAttached() ? QString() : QStringLiteral(" (not attached)")));
    }
    m_forget->setEnabled(chosen.has_value());
}

void RemoteChooserDlg::OnSelection() {
    const vanto::UsbDeviceEntry* device = Selected();
    m_use->setEnabled(device != nullptr && !m_choice.IsChosen(*device));
    if (device && device->state == vanto::UsbDeviceState::kNoPermission) {
        m_access->ShowDevice(*device);
        m_access->show();
    } else {
        m_access->hide();
    }
}

}  // namespace vanto::gui

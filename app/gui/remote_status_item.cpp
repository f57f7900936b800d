#include "app/gui/remote_status_item.h"

namespace vanto::gui {

RemoteStatusItem::RemoteStatusItem(RemoteChoice& choice, QWidget* parent)
    : QToolButton(parent), m_choice(choice) {
    setObjectName(QStringLiteral("ChooseRemoteItem"));
    setAutoRaise(true);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Choose the USB device that is the remote control"));
    connect(&m_choice, &RemoteChoice::DevicesChanged, this, &RemoteStatusItem::Update);
    connect(&m_choice, &RemoteChoice::ChoiceChanged, this, &RemoteStatusItem::Update);
    Update();
}

void RemoteStatusItem::Update() {
    // --usb names the remote for this run: nothing needs choosing then.
    const bool needed = !m_choice.Chosen() && m_choice.OverrideText().isEmpty();
    setText(QString::fromLatin1(m_choice.Devices().empty() ? kChooseText : kAttachedText));
    setVisible(needed);
}

}  // namespace vanto::gui

#pragma once
// The clickable "Choose remote..." item at the right of the status bar, shown while no remote is
// chosen; it says so when a device that could be the remote is attached. The status pane's own
// " DEVICE : DISCONNECTED" text stays as it is.

#include <QToolButton>

#include "app/gui/remote_choice.h"

namespace vanto::gui {

class RemoteStatusItem final : public QToolButton {
    Q_OBJECT
public:
    static constexpr char kChooseText[] = "Choose remote...";
    static constexpr char kAttachedText[] = "A possible remote is attached: Choose remote...";

    RemoteStatusItem(RemoteChoice& choice, QWidget* parent);

private:
    void Update();

    RemoteChoice& m_choice;
};

}  // namespace vanto::gui

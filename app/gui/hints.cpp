#include "app/gui/hints.h"

namespace vanto::gui {

QString CommandToolTip(const QString& title, const QString& description) {
    return QStringLiteral("<b>%1</b><br>%2")
        .arg(title.toHtmlEscaped(), description.toHtmlEscaped());
}

void SetCommandHints(QWidget& widget, const QString& title, const QString& description) {
    widget.setToolTip(CommandToolTip(title, description));
    widget.setStatusTip(description);
}

void SetCommandHints(QAction& action, const QString& title, const QString& description) {
    action.setToolTip(CommandToolTip(title, description));
    action.setStatusTip(description);
}

}  // namespace vanto::gui

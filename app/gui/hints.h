#pragma once
// The hints of a command: a tooltip with the command's name over its description, and the
// description as the prompt the status bar shows while the pointer is on the command.

#include <QAction>
#include <QString>
#include <QWidget>

namespace vanto::gui {

QString CommandToolTip(const QString& title, const QString& description);

void SetCommandHints(QWidget& widget, const QString& title, const QString& description);
void SetCommandHints(QAction& action, const QString& title, const QString& description);

}  // namespace vanto::gui

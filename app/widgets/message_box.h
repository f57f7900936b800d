#pragma once
// The program's message boxes: each one has a parent (so it is centred on the window that asked and
// takes that window's look), the icon of its kind and the product name as its caption; the text is
// shown exactly as given.

#include <QMessageBox>
#include <QString>
#include <memory>

namespace vanto::gui {

enum class BoxKind { Information, Warning, Error, Question };

// The caption of the program's own message boxes.
QString BoxCaption();

// A message box over `parent` (a widget of the window it belongs to), not yet shown.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, BoxKind kind, const QString& text,
                                            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                            const QString& caption = BoxCaption());

// Runs a box modally; the button chosen.
QMessageBox::StandardButton RunMessageBox(QWidget* parent, BoxKind kind, const QString& text,
                                          QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                          const QString& caption = BoxCaption());

// The kind of a box with OK that a page or the engine shows: a file or transfer that failed
// ("S19 File Open Error!", "... could not be ...", "... corrupted!") is an error; a choice the
// program refuses ("Invalid Database!") is a warning.
BoxKind KindOfNotice(const QString& text);

}  // namespace vanto::gui

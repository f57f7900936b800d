#pragma once
// The file dialogs of the pages and the icon editor: titled with what is being chosen ("Choose the
// database to install", "Save the user data backup as"), an open dialog where an existing file is
// chosen and a save dialog where an output file is named, with the filter and default extension
// of the place that asks.

#include <QFileDialog>
#include <QString>
#include <memory>
#include <optional>

namespace vanto::gui {

struct FileDialogRequest {
    QString title;
    QString filter;         // Qt's form: "Name (*.ext);;All files (*.*)"
    QString defaultSuffix;  // added to a typed name without an extension
    bool save = false;      // a save dialog: the name may be new
    // Save dialogs only: the dialog itself asks before an existing file is chosen. Off where
    // the caller asks its own question afterwards.
    bool confirmOverwrite = true;
    QString current;  // the name proposed, or empty
};

// "Application files|*.s19|All files|*.*||" -> "Application files (*.s19);;All files (*.*)".
// A description that already shows its patterns in brackets is kept as it is.
QString QtFileFilter(const QString& filter);

// The first pattern's extension: "User Icon (*.png)|*.png||" -> "png"; empty when none.
QString FirstFilterSuffix(const QString& filter);

// The dialog, not yet shown.
std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, const FileDialogRequest& request);

// Runs it modally; the chosen path, or nothing when cancelled. A name chosen without an
// extension gets the default suffix.
std::optional<QString> RunFileDialog(QWidget* parent, const FileDialogRequest& request);

}  // namespace vanto::gui

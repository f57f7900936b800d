#pragma once
// The user icon pages' "Edit": runs the icon editor dialog modally on the page's file. Its
// signature is the one the window's "Edit" launcher registers (SetIconEditorDialog).

#include <QWidget>
#include <optional>
#include <string>

#include "app/iconedit/icon_edit_dialog.h"

namespace vanto::gui {

// A new dialog over `parent` proposing `proposedPath` at its start prompt. The path of the file
// written by OK, or nothing when the dialog ended otherwise. `prompts` replace the real prompts.
std::optional<std::string> RunIconEditDialog(QWidget* parent, const std::string& proposedPath,
                                             IconEditPrompts prompts = {});

}  // namespace vanto::gui

#pragma once
// What a function page needs from the form that shows it, and the icon editor the two user icon
// pages open from their "Edit" button. The desktop forms, the headless `serve` command and the
// tests implement these; the pages hold no toolkit type.
//
// Direction of calls:
//   form -> page: CKvMgrFormView::OnInitialUpdate, OnBrowseChosen, OnFileTextChanged,
//                 OnModeChanged (two-mode pages), OnEditClicked (user icon pages)
//   page -> form: everything below.
// The page keeps the text of its file edits itself. When it sets a text through SetFileText the
// form only shows it; the page runs its own change handling (the edit's change notification) at
// once, so a form must not report that text back through OnFileTextChanged.

#include <string>

namespace vanto {

class PageForm {
public:
    virtual ~PageForm() = default;

    // Shows `text` on the message line of `mode` (0; the user data pages: 0 "User Data",
    // 1 "One Device"). Texts are UTF-8 and may end with a line feed.
    virtual void SetMessageLine(int mode, const std::string& text) = 0;
    // Shows `text` in the file edit of `mode`; display only (see above).
    virtual void SetFileText(int mode, const std::string& text) = 0;
    // Progress bar: range, stored step (nothing advances the bar by it) and position.
    virtual void SetProgressRange(int lower, int upper) = 0;
    virtual void SetProgressStep(int step) = 0;
    virtual void SetProgressPos(int pos) = 0;
    // Modal message box with an OK button; returns when it is closed.
    virtual void ShowMessageBox(const std::string& text) = 0;
    // Modal warning box with OK and Cancel; true when the answer is OK.
    virtual bool AskOkCancel(const std::string& text) = 0;
    // Two-mode pages: show the edit, message line, banner and label of `mode`, hide the other
    // mode's. Single-mode pages never call it.
    virtual void ShowMode(int /*mode*/) {}
};

// The icon editor as the user icon pages use it: a modal run that starts from a proposed file
// name and, when it ends with OK, has written a file whose path GetPath gives.
class IconEditorRunner {
public:
    virtual ~IconEditorRunner() = default;
    // Runs the editor modally on `proposedPath` (may be empty). True when it ended with OK.
    virtual bool Run(const std::string& proposedPath) = 0;
    // The path of the file the editor wrote in its last run that ended with OK.
    virtual std::string GetPath() const = 0;
};

}  // namespace vanto

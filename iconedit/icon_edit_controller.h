#pragma once
// IconEditController: the logic of the icon editor's dialog. It holds the path handed over by a
// page, runs the start prompt, lays out the form and the OK/Cancel buttons when the dialog is
// resized, and decides what OK and Cancel do. The Qt dialog (gui::CIconEditDialog) shows it.

#include <memory>
#include <optional>
#include <string>

#include "formats/posix_file_system.h"
#include "iconedit/icon_edit_form_view.h"

namespace vanto::iconedit {

enum IconEditResult : int {
    IDOK = 1,
    IDCANCEL = 2,
};

inline constexpr const char* kIconEditTitle = "User Icon Edit";
// The button texts mean OK and Cancel.
inline constexpr const char* kIconEditOkText = "확인";
inline constexpr const char* kIconEditCancelText = "취소";

class IconEditController {
public:
    IconEditController(IconEditUi& ui, const ImageCodec& codec, RandomSource& random,
                       FileSystem& fs = DefaultFileSystem());

    void SetPath(std::string path) { m_strPath = std::move(path); }
    const std::string& GetPath() const { return m_strPath; }

    // Runs once the window and its buttons exist: remembers the client rectangle and the OK
    // button's height, makes the form with an empty set, then asks for the file to edit with the
    // page's path proposed. A cancelled prompt empties the path; a refused file keeps it.
    void OnInitDialog(const CellRect& client, int okButtonHeight);
    // The form's rectangle: the client area above room for the buttons.
    CellRect FormRect() const;

    // Resizing to a client area of cx x cy moves both buttons by (dx, dy) and gives the form
    // `form`. Nothing before initialisation or for an empty size.
    struct SizeChange {
        int dx = 0;
        int dy = 0;
        CellRect form;
    };
    std::optional<SizeChange> OnSize(int cx, int cy);

    // OK: true when the set was written and the dialog closes; the path is then the written file.
    bool OnOK();
    void OnCancel();
    std::optional<IconEditResult> Result() const { return m_result; }

    CIconEditFormView* View() { return m_pView.get(); }

private:
    IconEditUi& m_ui;
    const ImageCodec& m_codec;
    RandomSource& m_random;
    FileSystem& m_fs;
    std::unique_ptr<CIconEditFormView> m_pView;
    CellRect m_rcClient;
    int m_nButtonHeight = 0;
    std::string m_strPath;
    std::optional<IconEditResult> m_result;
};

}  // namespace vanto::iconedit

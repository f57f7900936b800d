#pragma once
// The editor form's logic: the 65 cells over one icon set, each cell's popup menu with "Open",
// "Save" and "Delete", and loading and saving the user icon file. It reaches the window, the
// pictures and the random seed only through the interfaces it is given.

#include <memory>
#include <string>

#include "iconedit/icon_edit_cells.h"
#include "iconedit/icon_edit_ui.h"
#include "iconedit/icon_file.h"
#include "iconedit/image_codec.h"

namespace vanto::iconedit {

class CIconEditFormView {
public:
    CIconEditFormView(IconEditUi& ui, const ImageCodec& codec, RandomSource& random,
                      FileSystem& fs);

    // Empties the set and shows every cell's empty picture.
    void OnInitialUpdate();

    // A click on control `id`: the cell's popup menu and the chosen command. Ids that are no
    // cell are ignored.
    void OnIconCell(int id);
    // The menu of a cell: "Save" and "Delete" only for a cell that holds an icon, "Open" of a
    // selection cell only while its device icon is there.
    IconMenuState MenuStateFor(const IconCell& cell) const;

    void OnIconOpen(const IconCell& cell);
    void OnIconSave(const IconCell& cell);
    void OnIconDelete(const IconCell& cell);

    // Reads a user icon file into the set and shows its icons. On a refusal the message is shown
    // and the set stays as it was.
    bool LoadIconFile(const std::string& path);
    // Pairing check, save prompt proposing `initialName`, write. False when the pairing check
    // fails, the prompt is cancelled or the file cannot be written; the set is kept for editing.
    bool SaveIconFile(const std::string& initialName);
    const std::string& GetSavedPath() const { return m_strSavedPath; }

    const IconFile& Icons() const { return *m_icons; }
    const ImageHeader& Header() const { return m_icons->Header(); }

private:
    void ShowSlot(IconKind kind, int index);
    void ShowFileError(const FileError& error);

    IconEditUi& m_ui;
    const ImageCodec& m_codec;
    RandomSource& m_random;
    FileSystem& m_fs;
    // The set (1 MiB payload and the header of the file being edited); zero at creation.
    std::unique_ptr<IconFile> m_icons;
    std::string m_strSavedPath;
};

}  // namespace vanto::iconedit

#include "iconedit/icon_edit_form_view.h"

#include "iconedit/icon_edit_rules.h"

namespace vanto::iconedit {

CIconEditFormView::CIconEditFormView(IconEditUi& ui, const ImageCodec& codec, RandomSource& random,
                                     FileSystem& fs)
    : m_ui(ui), m_codec(codec), m_random(random), m_fs(fs), m_icons(std::make_unique<IconFile>()) {}

void CIconEditFormView::OnInitialUpdate() {
    m_icons->ClearPayload();
    for (const IconCell& cell : AllIconCells()) {
        m_ui.ShowEmptyPicture(cell.id);
    }
}

IconMenuState CIconEditFormView::MenuStateFor(const IconCell& cell) const {
    IconMenuState state;
    const bool present = m_icons->HasIcon(cell.kind, cell.index);
    state.save = present;
    state.remove = present;
    state.open = cell.kind != ICON_DEVSEL || m_icons->HasIcon(ICON_DEVICE, cell.index);
    return state;
}

void CIconEditFormView::OnIconCell(int id) {
    const std::optional<IconCell> cell = CellFromId(id);
    if (!cell) {
        return;
    }
    const IconMenuState state = MenuStateFor(*cell);
    const std::optional<IconMenuCommand> command = m_ui.TrackCellMenu(id, state);
    if (!command) {
        return;
    }
    switch (*command) {
        case ID_ICON_OPEN:
            if (state.open) {
                OnIconOpen(*cell);
            }
            break;
        case ID_ICON_SAVE:
            if (state.save) {
                OnIconSave(*cell);
            }
            break;
        case ID_ICON_DELETE:
            if (state.remove) {
                OnIconDelete(*cell);
            }
            break;
    }
}

void CIconEditFormView::OnIconOpen(const IconCell& cell) {
    const std::optional<std::string> path = m_ui.PromptOpenFile(kPngFileFilter, "");
    if (!path) {
        return;
    }
    const IconPngFile file = ReadIconPngFile(m_fs, *path, cell.kind);
    if (file.error) {
        ShowFileError(*file.error);
        return;
    }
    if (file.refusal) {
        m_ui.ShowWarning(file.refusal->text, file.refusal->caption);
        return;
    }

    PlaceIconResult placed = PlaceIcon(*m_icons, cell.kind, cell.index, file.bytes, m_codec);
    if (placed.refusal) {
        m_ui.ShowWarning(placed.refusal->text, placed.refusal->caption);
        return;
    }
    m_ui.ShowPicture(cell.id, placed.picture);
    if (placed.selectionStored && placed.selectionPicture) {
        m_ui.ShowPicture(CellId(ICON_DEVSEL, cell.index), *placed.selectionPicture);
    }
    if (placed.selectionNotice) {
        m_ui.ShowWarning(placed.selectionNotice->text, placed.selectionNotice->caption);
    }
}

void CIconEditFormView::OnIconSave(const IconCell& cell) {
    if (!m_icons->HasIcon(cell.kind, cell.index)) {
        return;
    }
    const std::optional<std::string> path = m_ui.PromptSaveFile(kPngFileFilter, "");
    if (!path) {
        return;
    }
    FileError error;
    if (!WriteWholeFile(m_fs, *path, {m_icons->IconBytes(cell.kind, cell.index)}, &error)) {
        ShowFileError(error);
    }
}

void CIconEditFormView::OnIconDelete(const IconCell& cell) {
    if (!m_icons->HasIcon(cell.kind, cell.index)) {
        return;
    }
    m_icons->RemoveIcon(cell.kind, cell.index);
    m_ui.ShowEmptyPicture(cell.id);
    if (cell.kind == ICON_DEVICE) {
        m_icons->RemoveIcon(ICON_DEVSEL, cell.index);
        m_ui.ShowEmptyPicture(CellId(ICON_DEVSEL, cell.index));
    }
}

bool CIconEditFormView::LoadIconFile(const std::string& path) {
    if (std::optional<IconMessage> refusal = m_icons->ReadIconFile(m_fs, path)) {
        m_ui.ShowWarning(refusal->text, refusal->caption);
        return false;
    }
    for (IconKind kind : {ICON_DEVICE, ICON_DEVSEL, ICON_KEY}) {
        for (int index = 0; index < IconSlotCount(kind); ++index) {
            ShowSlot(kind, index);
        }
    }
    return true;
}

void CIconEditFormView::ShowSlot(IconKind kind, int index) {
    const int id = CellId(kind, index);
    if (!m_icons->HasIcon(kind, index)) {
        m_ui.ShowEmptyPicture(id);
        return;
    }
    std::optional<RgbaImage> picture = m_codec.Decode(m_icons->IconBytes(kind, index));
    if (picture && picture->IsValid()) {
        m_ui.ShowPicture(id, *picture);
    } else {
        m_ui.ShowNoPicture(id);
    }
}

bool CIconEditFormView::SaveIconFile(const std::string& initialName) {
    if (const int device = m_icons->PrepareForSave(); device != 0) {
        const IconMessage message = IconFile::PairingMessage(device);
        m_ui.ShowWarning(message.text, message.caption);
        return false;
    }
    const std::optional<std::string> path = m_ui.PromptSaveFile(kIconFileSaveFilter, initialName);
    if (!path) {
        return false;
    }
    if (std::optional<FileError> error = m_icons->WriteIconFile(m_fs, *path, m_random)) {
        ShowFileError(*error);
        return false;
    }
    m_strSavedPath = *path;
    return true;
}

void CIconEditFormView::ShowFileError(const FileError& error) {
    m_ui.ShowWarning("The file \"" + error.path + "\" could not be used.\n" + error.Reason(),
                     kFileErrorCaption);
}

}  // namespace vanto::iconedit

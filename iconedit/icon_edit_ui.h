#pragma once
// What the editor's logic asks of its window: file prompts, warning boxes, the popup menu of a
// cell and the pictures the cells show. The Qt dialog implements it; tests implement it with
// scripted answers.

#include <optional>
#include <string>

#include "iconedit/image_codec.h"

namespace vanto::iconedit {

// Commands of a cell's popup menu, in menu order.
enum IconMenuCommand : int {
    ID_ICON_OPEN = 1,
    ID_ICON_SAVE = 2,
    ID_ICON_DELETE = 3,
};

inline constexpr const char* kIconMenuOpenText = "Open";
inline constexpr const char* kIconMenuSaveText = "Save";
inline constexpr const char* kIconMenuDeleteText = "Delete";

// Which of the three items can be chosen; the others are shown grayed.
struct IconMenuState {
    bool open = true;
    bool save = true;
    bool remove = true;

    bool operator==(const IconMenuState&) const = default;
};

class IconEditUi {
public:
    virtual ~IconEditUi() = default;

    // A file-open prompt with a filter such as "User Icon (*.png)|*.png||" and a proposed file
    // name (none when empty). The chosen path, or nothing when cancelled.
    virtual std::optional<std::string> PromptOpenFile(const std::string& filter,
                                                      const std::string& proposedName) = 0;
    // A file-save prompt that asks before replacing an existing file.
    virtual std::optional<std::string> PromptSaveFile(const std::string& filter,
                                                      const std::string& proposedName) = 0;
    // A warning box with an OK button, owned by the form.
    virtual void ShowWarning(const std::string& text, const std::string& caption) = 0;
    // The cell's popup menu at the mouse cursor; the chosen command, or nothing.
    virtual std::optional<IconMenuCommand> TrackCellMenu(int cellId,
                                                         const IconMenuState& state) = 0;

    // What a cell shows: its kind's empty picture, a decoded picture, or nothing at all (an icon
    // whose bytes do not decode).
    virtual void ShowEmptyPicture(int cellId) = 0;
    virtual void ShowPicture(int cellId, const RgbaImage& picture) = 0;
    virtual void ShowNoPicture(int cellId) = 0;
};

}  // namespace vanto::iconedit

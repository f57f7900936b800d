#pragma once
// The colour styles of the main window: their command ids, labels and the rules for the stored
// "ApplicationLook" value. Plain code, so the rules are tested without a window.

#include <array>
#include <optional>

namespace vanto {

constexpr int ID_VIEW_APPLOOK_OFF_2007_BLACK = 32781;
constexpr int ID_VIEW_APPLOOK_OFF_2007_BLUE = 32783;
constexpr int ID_VIEW_APPLOOK_OFF_2007_SILVER = 32785;
constexpr int ID_VIEW_APPLOOK_OFF_2007_AQUA = 32787;
constexpr int ID_VIEW_APPLOOK_DEFAULT = 32789;

// The colour-style commands form one range; only five ids of it select a look.
constexpr int kFirstLookCommand = 32781;
constexpr int kLastLookCommand = 32789;

enum class AppLook { Default, Black, Blue, Silver, Aqua };

struct AppLookItem {
    int id;
    const char* label;
    AppLook look;
};

// The "Style" menu, top to bottom.
inline constexpr std::array<AppLookItem, 5> kAppLookItems{{
    {ID_VIEW_APPLOOK_DEFAULT, "Default", AppLook::Default},
    {ID_VIEW_APPLOOK_OFF_2007_BLACK, "Black", AppLook::Black},
    {ID_VIEW_APPLOOK_OFF_2007_BLUE, "Blue", AppLook::Blue},
    {ID_VIEW_APPLOOK_OFF_2007_SILVER, "Silver", AppLook::Silver},
    {ID_VIEW_APPLOOK_OFF_2007_AQUA, "Aqua", AppLook::Aqua},
}};

// The look an id selects; none for any other value (32782, 0, ...).
std::optional<AppLook> LookForId(int id);

bool IsLookCommand(int id);

// m_nLookId and what follows from it: which look to draw, which menu item shows as chosen and
// which value goes back to the settings. A stored value outside the five is kept as it is: it
// draws no look, checks no item and is written back unchanged.
class AppLookState {
public:
    explicit AppLookState(int storedId) : m_nLookId(storedId) {}

    int LookId() const { return m_nLookId; }
    // Takes a colour-style command; returns the look to draw, or none when the id selects none.
    std::optional<AppLook> Choose(int id);
    // The look the current id draws (used once at creation).
    std::optional<AppLook> CurrentLook() const { return LookForId(m_nLookId); }
    bool IsChecked(int itemId) const { return itemId == m_nLookId; }
    int ValueToStore() const { return m_nLookId; }

private:
    int m_nLookId;
};

}  // namespace vanto

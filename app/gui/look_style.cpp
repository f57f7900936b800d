#include "app/gui/look_style.h"

namespace vanto::gui {

namespace {

struct LookColours {
    const char* ribbonTop;  // tab row and ribbon background, top to bottom
    const char* ribbonBottom;
    const char* panelTop;  // the "Function" panel
    const char* panelBottom;
    const char* panelBorder;
    const char* text;        // ribbon text
    const char* tabText;     // text on the tab row
    const char* checkedTop;  // a selected function button
    const char* checkedBottom;
    const char* hover;
    const char* appButton;  // the round application button
    const char* status;     // status bar background
    const char* statusText;
    const char* page;  // page area background
    const char* pageText;
};

constexpr LookColours kDefault{"#f3f3f3", "#f3f3f3", "#fbfbfb", "#eeeeee", "#d0d0d0",
                               "#202020", "#202020", "#cce4f7", "#b5d6f2", "#e5f1fb",
                               "#2b579a", "#f0f0f0", "#202020", "#f0f0f0", "#202020"};
constexpr LookColours kBlack{"#3b3b3b", "#1f1f1f", "#5a5a5a", "#353535", "#777777",
                             "#f0f0f0", "#ffffff", "#ffd35c", "#f2a93b", "#707070",
                             "#c8551b", "#262626", "#e8e8e8", "#4a4a4a", "#f0f0f0"};
constexpr LookColours kBlue{"#dfecf7", "#bcd3ee", "#e9f1fb", "#c7daf2", "#8db2e3",
                            "#15428b", "#15428b", "#ffe08f", "#ffc54a", "#fff2c4",
                            "#3b70c4", "#c5daf2", "#15428b", "#d6e4f5", "#15428b"};
constexpr LookColours kSilver{"#f4f5f7", "#d8dce3", "#fbfbfc", "#dde1e7", "#a6acb6",
                              "#3a3f46", "#3a3f46", "#ffe08f", "#ffc54a", "#fff2c4",
                              "#707986", "#e1e4e9", "#3a3f46", "#eceef1", "#25282d"};
constexpr LookColours kAqua{"#e6f5fb", "#b8e0ee", "#f0fafd", "#c3e7f2", "#6fb9d3",
                            "#0b4f6c", "#0b4f6c", "#b6f0c8", "#6fd89a", "#d4f5ff",
                            "#1895b8", "#a9dcea", "#0b4f6c", "#dff2f8", "#0b4f6c"};

const LookColours& ColoursFor(AppLook look) {
    switch (look) {
        case AppLook::Black:
            return kBlack;
        case AppLook::Blue:
            return kBlue;
        case AppLook::Silver:
            return kSilver;
        case AppLook::Aqua:
            return kAqua;
        case AppLook::Default:
            break;
    }
    return kDefault;
}

}  // namespace

QString StyleSheetFor(AppLook look) {
    const LookColours& c = ColoursFor(look);
    return QStringLiteral(
               "#RibbonBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, "
               "stop:1 %2); border-bottom: 1px solid %5; }"
               "#RibbonBar QLabel, #RibbonBar QToolButton { color: %6; }"
               "#RibbonTabRow QToolButton { color: %7; }"
               "#RibbonPanel { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %3, "
               "stop:1 %4); border: 1px solid %5; border-radius: 3px; }"
               "#RibbonPanelCaption { color: %6; }"
               "#HomeTab { background: %3; border: 1px solid %5; border-bottom: none; "
               "border-top-left-radius: 3px; border-top-right-radius: 3px; padding: 2px 12px; }"
               "#RibbonBar #AppButton { background: %11; color: white; border-radius: 4px; "
               "padding: 2px 10px; font-weight: bold; }"
               "#RibbonBar #AppButton::menu-indicator { image: none; }"
               "#RibbonPanel QToolButton { border: 1px solid transparent; border-radius: 3px; "
               "padding: 2px; }"
               "#RibbonPanel QToolButton:hover { background: %10; border-color: %5; }"
               "#RibbonPanel QToolButton:checked { background: qlineargradient(x1:0, y1:0, "
               "x2:0, y2:1, stop:0 %8, stop:1 %9); border-color: %5; }"
               "#RibbonTabRow QToolButton:hover { background: %10; }"
               "QStatusBar { background: %12; color: %13; border-top: 1px solid %5; }"
               "QStatusBar QLabel { color: %13; }"
               "#PageArea, #PageArea > QWidget { background: %14; color: %15; }"
               "#PageArea QLabel, #PageArea QRadioButton, #PageArea QGroupBox { color: %15; }")
        .arg(QLatin1String(c.ribbonTop), QLatin1String(c.ribbonBottom), QLatin1String(c.panelTop),
             QLatin1String(c.panelBottom), QLatin1String(c.panelBorder), QLatin1String(c.text),
             QLatin1String(c.tabText), QLatin1String(c.checkedTop), QLatin1String(c.checkedBottom))
        .arg(QLatin1String(c.hover), QLatin1String(c.appButton), QLatin1String(c.status),
             QLatin1String(c.statusText), QLatin1String(c.page), QLatin1String(c.pageText));
}

}  // namespace vanto::gui

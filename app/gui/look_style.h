#pragma once
// How each colour style draws the program. "Default" is the desktop's own look: its style and its
// palette, light or dark, with the ribbon drawn from that palette. The four others (Black, Blue,
// Silver, Aqua) give every window of the program their own palette, so dialogs, menus and message
// boxes share the look, and the ribbon and status bar their own gradients. Style sheets are set
// on the ribbon and the status bar only; nothing reaches a dialog except the palette.

#include <QColor>
#include <QPalette>
#include <QString>

#include "app/core/app_look.h"

namespace vanto::gui {

// The ribbon's and status bar's colours in a look.
struct RibbonColours {
    QColor top;  // tab row and ribbon background, top to bottom
    QColor bottom;
    QColor panelTop;  // the "Function" panel and the selected tab
    QColor panelBottom;
    QColor border;
    QColor text;        // every text on the ribbon
    QColor checkedTop;  // the function button of the page that is showing
    QColor checkedBottom;
    QColor checkedText;
    QColor hover;  // a button under the pointer
    QColor hoverText;
    QColor appButton;  // the application button
    QColor status;     // status bar
    QColor statusText;
};

struct LookTheme {
    QPalette palette;  // for the whole program
    RibbonColours ribbon;
};

// The theme of `look`; Default takes `desktop`, the palette the desktop gave the program.
LookTheme ThemeFor(AppLook look, const QPalette& desktop);

QString RibbonStyleSheet(const RibbonColours& colours);
QString StatusBarStyleSheet(const RibbonColours& colours);

// The contrast ratio of two colours as WCAG defines it, from 1 (same luminance) to 21.
double ContrastRatio(const QColor& a, const QColor& b);

}  // namespace vanto::gui

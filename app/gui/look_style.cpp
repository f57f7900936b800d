#include "app/gui/look_style.h"

#include <algorithm>
#include <cmath>

namespace vanto::gui {

namespace {

// The colours that make one of the four named looks.
struct NamedLook {
    const char* window;
    const char* windowText;
    const char* base;
    const char* text;
    const char* button;
    const char* buttonText;
    const char* highlight;
    const char* highlightedText;
    const char* toolTip;
    const char* ribbonTop;
    const char* ribbonBottom;
    const char* panelTop;
    const char* panelBottom;
    const char* border;
    const char* hover;
    const char* appButton;
    const char* status;
};

constexpr NamedLook kBlack{"#474747", "#f0f0f0", "#2e2e2e", "#f0f0f0", "#484848", "#f0f0f0",
                           "#f5b041", "#000000", "#fffbe0", "#3b3b3b", "#1f1f1f", "#5a5a5a",
                           "#353535", "#7a7a7a", "#6e6e6e", "#c8551b", "#262626"};
constexpr NamedLook kBlue{"#d6e4f5", "#15428b", "#ffffff", "#1e1e1e", "#e4eefa", "#15428b",
                          "#ffc54a", "#000000", "#ffffe1", "#dfecf7", "#bcd3ee", "#e9f1fb",
                          "#c7daf2", "#8db2e3", "#fff2c4", "#3b70c4", "#c5daf2"};
constexpr NamedLook kSilver{"#eceef1", "#25282d", "#ffffff", "#1e1e1e", "#f4f5f7", "#25282d",
                            "#ffc54a", "#000000", "#ffffe1", "#f4f5f7", "#d8dce3", "#fbfbfc",
                            "#dde1e7", "#a6acb6", "#fff2c4", "#707986", "#e1e4e9"};
constexpr NamedLook kAqua{"#dff2f8", "#0b4f6c", "#ffffff", "#1e1e1e", "#eaf7fb", "#0b4f6c",
                          "#6fd89a", "#000000", "#ffffe1", "#e6f5fb", "#b8e0ee", "#f0fafd",
                          "#c3e7f2", "#6fb9d3", "#d4f5ff", "#1895b8", "#a9dcea"};

QColor Mix(const QColor& a, const QColor& b, double share) {
    return QColor::fromRgbF(static_cast<float>(a.redF() * share + b.redF() * (1 - share)),
                            static_cast<float>(a.greenF() * share + b.greenF() * (1 - share)),
                            static_cast<float>(a.blueF() * share + b.blueF() * (1 - share)));
}

QPalette PaletteOf(const NamedLook& look) {
    const QColor window(QLatin1String(look.window));
    const QColor button(QLatin1String(look.button));
    const QColor windowText(QLatin1String(look.windowText));
    const QColor buttonText(QLatin1String(look.buttonText));
    const QColor base(QLatin1String(look.base));
    const QColor text(QLatin1String(look.text));
    QPalette palette(buttonText, button, button.lighter(130), button.darker(160),
                     button.darker(125), text, QColor(Qt::white), base, window);
    palette.setColor(QPalette::WindowText, windowText);
    palette.setColor(QPalette::AlternateBase, Mix(base, window, 0.6));
    palette.setColor(QPalette::Highlight, QColor(QLatin1String(look.highlight)));
    palette.setColor(QPalette::HighlightedText, QColor(QLatin1String(look.highlightedText)));
    palette.setColor(QPalette::ToolTipBase, QColor(QLatin1String(look.toolTip)));
    palette.setColor(QPalette::ToolTipText, QColor(Qt::black));
    palette.setColor(QPalette::PlaceholderText, Mix(text, base, 0.6));
    palette.setColor(QPalette::Link,
                     base.lightness() < 128 ? QColor(0x8c, 0xc8, 0xff) : QColor(0x0b, 0x4f, 0xb0));
    // Disabled texts are drawn half way to their background.
    for (const auto role : {QPalette::WindowText, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, Mix(windowText, window, 0.5));
    }
    palette.setColor(QPalette::Disabled, QPalette::Text, Mix(text, base, 0.5));
    return palette;
}

RibbonColours RibbonOf(const NamedLook& look, const QPalette& palette) {
    RibbonColours c;
    c.top = QColor(QLatin1String(look.ribbonTop));
    c.bottom = QColor(QLatin1String(look.ribbonBottom));
    c.panelTop = QColor(QLatin1String(look.panelTop));
    c.panelBottom = QColor(QLatin1String(look.panelBottom));
    c.border = QColor(QLatin1String(look.border));
    c.text = palette.color(QPalette::WindowText);
    c.checkedTop = palette.color(QPalette::Highlight).lighter(115);
    c.checkedBottom = palette.color(QPalette::Highlight);
    c.checkedText = palette.color(QPalette::HighlightedText);
    c.hover = QColor(QLatin1String(look.hover));
    c.hoverText = c.text;
    c.appButton = QColor(QLatin1String(look.appButton));
    c.status = QColor(QLatin1String(look.status));
    c.statusText = c.status.lightness() < 128 ? QColor(0xe8, 0xe8, 0xe8) : c.text;
    return c;
}

// The ribbon of the desktop's own palette: its window colour with a light shade, its button
// colour for the panel, its selection colours for the page that shows.
RibbonColours RibbonOfDesktop(const QPalette& p) {
    RibbonColours c;
    const QColor window = p.color(QPalette::Window);
    const bool dark = window.lightness() < 128;
    c.top = dark ? window.lighter(115) : window.lighter(103);
    c.bottom = window;
    c.panelTop = Mix(p.color(QPalette::Button), window, 0.7);
    c.panelBottom = Mix(p.color(QPalette::Button), window, 0.4);
    c.border = p.color(QPalette::Mid);
    c.text = p.color(QPalette::WindowText);
    // A tint of the selection colour under the ribbon's own text: a desktop's selection colour
    // with its selected text is often too weak for a label (white on mid blue is 3.6:1).
    c.checkedTop = Mix(p.color(QPalette::Highlight), c.panelTop, 0.30);
    c.checkedBottom = Mix(p.color(QPalette::Highlight), c.panelBottom, 0.40);
    c.checkedText = c.text;
    c.hover = Mix(p.color(QPalette::Highlight), c.panelTop, 0.2);
    c.hoverText = c.text;
    c.appButton = p.color(QPalette::Highlight);
    c.status = window;
    c.statusText = p.color(QPalette::WindowText);
    return c;
}

const NamedLook* NamedLookFor(AppLook look) {
    switch (look) {
        case AppLook::Black:
            return &kBlack;
        case AppLook::Blue:
            return &kBlue;
        case AppLook::Silver:
            return &kSilver;
        case AppLook::Aqua:
            return &kAqua;
        case AppLook::Default:
            break;
    }
    return nullptr;
}

double Luminance(const QColor& colour) {
    auto channel = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const QColor c = colour.toRgb();
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

}  // namespace

LookTheme ThemeFor(AppLook look, const QPalette& desktop) {
    const NamedLook* named = NamedLookFor(look);
    if (named == nullptr) {
        return {desktop, RibbonOfDesktop(desktop)};
    }
    LookTheme theme;
    theme.palette = PaletteOf(*named);
    theme.ribbon = RibbonOf(*named, theme.palette);
    return theme;
}

QString RibbonStyleSheet(const RibbonColours& c) {
    const auto n = [](const QColor& colour) { return colour.name(); };
    return QStringLiteral(
               "#RibbonBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, "
               "stop:1 %2); border-bottom: 1px solid %5; }"
               "#RibbonBar QLabel, #RibbonBar QToolButton { color: %6; }"
               "#RibbonPanel { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %3, "
               "stop:1 %4); border: 1px solid %5; border-radius: 3px; }"
               "#HomeTab { background: %3; border: 1px solid %5; border-bottom: none; "
               "border-top-left-radius: 3px; border-top-right-radius: 3px; padding: 2px 12px; }"
               "#RibbonBar #AppButton { background: %7; border-radius: 4px; padding: 2px 10px; }"
               "#RibbonBar #AppButton::menu-indicator { image: none; }"
               "#RibbonPanel QToolButton { border: 1px solid transparent; border-radius: 3px; "
               "padding: 1px; }"
               "#RibbonPanel QToolButton:hover, #RibbonTabRow QToolButton:hover "
               "{ background: %8; color: %9; border-color: %5; }"
               "#RibbonPanel QToolButton:checked { background: qlineargradient(x1:0, y1:0, "
               "x2:0, y2:1, stop:0 %10, stop:1 %11); color: %12; border-color: %5; }")
        .arg(n(c.top), n(c.bottom), n(c.panelTop), n(c.panelBottom), n(c.border), n(c.text),
             n(c.appButton), n(c.hover), n(c.hoverText))
        .arg(n(c.checkedTop), n(c.checkedBottom), n(c.checkedText));
}

QString StatusBarStyleSheet(const RibbonColours& c) {
    return QStringLiteral(
               "QStatusBar { background: %1; color: %2; border-top: 1px solid %3; }"
               "QStatusBar QLabel, QStatusBar QAbstractButton { color: %2; }")
        .arg(c.status.name(), c.statusText.name(), c.border.name());
}

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace vanto::gui

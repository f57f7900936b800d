#include "tools/screenshots/sample_palette.h"

namespace vanto::gui {

QPalette SampleDarkPalette() {
    const QColor window(0x2d, 0x2d, 0x30);
    const QColor text(0xe6, 0xe6, 0xe6);
    const QColor base(0x1e, 0x1e, 0x1e);
    const QColor button(0x3c, 0x3c, 0x40);
    QPalette palette(text, button, button.lighter(140), button.darker(160), button.darker(120),
                     text, Qt::white, base, window);
    palette.setColor(QPalette::AlternateBase, QColor(0x26, 0x26, 0x28));
    palette.setColor(QPalette::Highlight, QColor(0x2f, 0x7f, 0xd6));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(0x3c, 0x3c, 0x40));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, QColor(0x9a, 0x9a, 0x9a));
    palette.setColor(QPalette::Link, QColor(0x6c, 0xb6, 0xff));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, QColor(0x80, 0x80, 0x80));
    }
    return palette;
}

}  // namespace vanto::gui

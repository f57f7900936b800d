#pragma once
// A dark desktop palette, as a dark desktop theme gives a program: for pictures and tests of the
// Default look under a dark desktop.

#include <QPalette>

namespace vanto::gui {

QPalette SampleDarkPalette();

}  // namespace vanto::gui

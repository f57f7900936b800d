#pragma once
// The empty pictures of the editor's cells (bitmaps 325, 326, 327), drawn in code: white, a
// one-pixel frame in RGB 49, 85, 156 and a dark plus sign in RGB 0, 20, 66 with a lighter fringe,
// exactly the icon size of the kind.

#include <QImage>

#include "iconedit/icon_file.h"

namespace vanto::gui {

QImage DrawEmptyIconPicture(IconKind kind);

}  // namespace vanto::gui

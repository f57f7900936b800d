#pragma once
// How each colour style draws the window: a style sheet for the ribbon, the status bar and the
// page area. "Default" is a plain light look close to the desktop's own; the four others follow
// the black, blue, silver and aqua ribbon looks.

#include <QString>

#include "app/core/app_look.h"

namespace vanto::gui {

QString StyleSheetFor(AppLook look);

}  // namespace vanto::gui

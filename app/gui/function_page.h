#pragma once
// One function page as the window holds it: the widget that fills the page area when the page is
// showing, and the page logic the engine serves (null for a placeholder without logic).
// CTavroApp creates the six through a FunctionPageFactory, so the forms plug in at one place.

#include <QWidget>
#include <functional>
#include <memory>

#include "protocol/transfer_notify.h"

namespace vanto::gui {

class FunctionPageView {
public:
    virtual ~FunctionPageView() = default;
    virtual QWidget& Widget() = 0;
    virtual vanto::TransferPage* Page() = 0;
    // Built once after all six exist (banner, progress bar, file picker, first message).
    virtual void InitialUpdate() {}
};

// Creates page `index` (0..5), or null when it cannot be created.
using FunctionPageFactory = std::function<std::unique_ptr<FunctionPageView>(int index)>;

// A page without logic: its banner, an empty read-only file box and a message line.
std::unique_ptr<FunctionPageView> MakePlaceholderPage(int index);

// The six real forms on their page logic.
std::unique_ptr<FunctionPageView> MakeFunctionPage(int index);

}  // namespace vanto::gui

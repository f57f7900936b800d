#pragma once
// Creates a Qt object whose ownership passes to Qt at once: to the parent given among the
// arguments, or to the layout or widget the caller adds it to on the next line. Use only there;
// everything else is held by value or unique_ptr.

#include <memory>
#include <utility>

namespace vanto::gui {

template <class T, class... Args>
T* MakeQtOwned(Args&&... args) {
    return std::make_unique<T>(std::forward<Args>(args)...).release();
}

}  // namespace vanto::gui

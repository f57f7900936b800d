#include "app/core/app_look.h"

namespace vanto {

std::optional<AppLook> LookForId(int id) {
    for (const auto& item : kAppLookItems) {
        if (item.id == id) {
            return item.look;
        }
    }
    return std::nullopt;
}

bool IsLookCommand(int id) {
    return id >= kFirstLookCommand && id <= kLastLookCommand;
}

std::optional<AppLook> AppLookState::Choose(int id) {
    m_nLookId = id;
    return LookForId(id);
}

}  // namespace vanto

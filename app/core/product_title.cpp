#include "app/core/product_title.h"

#include "app/core/build_info.h"

namespace vanto {

std::string CutVersion(const std::string& version) {
    const auto dot = version.rfind('.');
    if (dot != std::string::npos && dot >= 1) {
        return version.substr(0, dot);
    }
    return version;
}

std::string MakeProductTitle(const std::string& productName, const std::string& productVersion) {
    return productName + " V" + CutVersion(productVersion);
}

std::string BuildProductTitle() {
    return MakeProductTitle(kProductName, kProductVersion);
}

}  // namespace vanto

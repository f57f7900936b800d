#pragma once
#include <string>

namespace vanto {

// Cuts a version before its last dot when that dot is at position 1 or later
// ("1.3.1.0" -> "1.3.1"; "7" and ".5" stay whole).
std::string CutVersion(const std::string& version);

// "%s V%s" from the product name and the cut version.
std::string MakeProductTitle(const std::string& productName, const std::string& productVersion);

// The title of this build, from the product name and version the build was configured with.
std::string BuildProductTitle();

}  // namespace vanto

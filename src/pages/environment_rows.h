// What the pages that list environments show for one table row.
#pragma once

#include <string>

namespace velnora::core {
struct Context;
}

namespace velnora::pages {

// "Display name (location)": "DisplayName" when the entry has a non-empty one, "_DisplayName"
// otherwise. Empty when the entry cannot be read at all, so that list row i stays table row i.
std::string EnvironmentRowText(core::Context& context, int row);

}  // namespace velnora::pages

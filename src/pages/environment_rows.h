// What the pages that list environments show for one table row.
#pragma once

#include "environments/environment_table.h"

namespace velnora::pages {

using environments::EnvironmentRowText;

}  // namespace velnora::pages

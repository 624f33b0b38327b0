#include "pages/environment_rows.h"

#include "core/context.h"
#include "environments/environment_table.h"

namespace velnora::pages {

namespace {

// The display name and location of a row, preferring the live name; false when neither pair
// could be read from the entry.
bool ReadNameAndLocation(core::Context& context, int row, std::string& name,
                         std::string& location) {
    using environments::ReadEnvironmentValue;
    if (ReadEnvironmentValue(context, row, "DisplayName", name) &&
        ReadEnvironmentValue(context, row, "InstallLocation", location) && !name.empty())
        return true;
    // A parked entry carries its name as "_DisplayName"; shown even when empty.
    return ReadEnvironmentValue(context, row, "_DisplayName", name) &&
           ReadEnvironmentValue(context, row, "InstallLocation", location);
}

}  // namespace

std::string EnvironmentRowText(core::Context& context, int row) {
    std::string name;
    std::string location;
    if (!ReadNameAndLocation(context, row, name, location))
        return std::string();
    return name + " (" + location + ")";
}

}  // namespace velnora::pages

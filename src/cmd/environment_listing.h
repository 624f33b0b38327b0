// The environments as the console lists them: what the maintenance page shows of each, in its
// order, with the tool composition the installation report gives.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/texts.h"

namespace velnora::environments {
struct Context;
}

namespace velnora::cmd {

struct ToolGroup {
    std::optional<core::TextId> label;  // none: entries without a category
    std::vector<std::string> entries;
};

struct ListedEnvironment {
    std::string key;
    std::string displayName;
    std::string location;
    std::string version;  // the report's Version line, "V.4.05.01"
    bool active = false;
    std::vector<ToolGroup> tools;
    std::vector<std::string> records;
    bool installerInformation = false;
    bool tidewatchData = false;
};

// Enumerates the environments and reads each one. An entry that vanished since the
// enumeration is left out. Nothing when the enumeration failed (its message has been shown).
std::optional<std::vector<ListedEnvironment>> ListEnvironments(environments::Context& context);

// {"schemaVersion": 1, "environments": [...]}, UTF-8, ended by a line end.
std::string ListingJson(const std::vector<ListedEnvironment>& environments);

// One row per environment under a heading row, columns aligned by their width on a console.
std::string ListingTable(const std::vector<ListedEnvironment>& environments,
                         const core::TextSet& texts);

// The columns a console gives a UTF-8 text: two for wide (East Asian) characters.
std::size_t ConsoleWidth(std::string_view utf8);

}  // namespace velnora::cmd

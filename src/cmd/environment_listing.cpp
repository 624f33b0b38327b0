#include "cmd/environment_listing.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <functional>

#include "cmd/cmd_texts.h"
#include "environments/component_moves.h"
#include "environments/environment_table.h"
#include "environments/tool_record.h"
#include "installer/context.h"

namespace velnora::cmd {

namespace {

using Json = nlohmann::ordered_json;

constexpr int kSchemaVersion = 1;

ListedEnvironment ReadListed(environments::Context& context, int row,
                             const environments::ToolComposition& c) {
    ListedEnvironment e;
    e.key = context.environments.Row(row).keyName;
    e.displayName = c.displayName;
    e.location = c.location;
    e.version = c.version;
    e.active = e.key == core::kVantorixProductGuid;
    for (const auto& group : environments::PackageGroups(c))
        e.tools.push_back({group.label, *group.entries});
    e.records = c.records;
    e.installerInformation = environments::InstallerInfoFolderAt(context, e.key);
    e.tidewatchData = environments::TidewatchFolderAt(context, e.key);
    return e;
}

// Scripts read the JSON whatever the language: group names in English.
Json ToolsJson(const std::vector<ToolGroup>& tools) {
    auto groups = Json::array();
    for (const auto& group : tools) {
        Json label = nullptr;
        if (group.label)
            label = std::string(core::TextRow(*group.label).english);
        groups.push_back({{"group", label}, {"entries", group.entries}});
    }
    return groups;
}

// The columns of the text table: heading and cell of each.
struct Column {
    core::LocalText heading;
    std::function<std::string(const ListedEnvironment&, const core::TextSet&)> cell;
};

std::string YesNo(bool value, const core::TextSet& texts) {
    return texts.Pick(value ? text::kYes : text::kNo);
}

const std::array<Column, 7>& Columns() {
    static const std::array<Column, 7> columns = {{
        {text::kColumnActive,
         [](const ListedEnvironment& e, const core::TextSet&) {
             return std::string(e.active ? "*" : "");
         }},
        {text::kColumnName, [](const auto& e, const auto&) { return e.displayName; }},
        {text::kColumnVersion, [](const auto& e, const auto&) { return e.version; }},
        {text::kColumnLocation, [](const auto& e, const auto&) { return e.location; }},
        {text::kColumnKey, [](const auto& e, const auto&) { return e.key; }},
        {text::kColumnInstallerInformation,
         [](const auto& e, const auto& texts) { return YesNo(e.installerInformation, texts); }},
        {text::kColumnTidewatch,
         [](const auto& e, const auto& texts) { return YesNo(e.tidewatchData, texts); }},
    }};
    return columns;
}

// Code points that take two columns on a console: the wide and full-width blocks.
bool IsWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

}  // namespace

std::size_t ConsoleWidth(std::string_view utf8) {
    std::size_t width = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        char32_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
        // A sequence cut short by the end of the text counts what it has.
        const std::size_t end = std::min(utf8.size(), i + length);
        for (std::size_t k = i + 1; k < end; ++k)
            c = (c << 6) | (static_cast<unsigned char>(utf8[k]) & 0x3F);
        width += IsWide(c) ? 2 : 1;
        i = end;
    }
    return width;
}

std::optional<std::vector<ListedEnvironment>> ListEnvironments(environments::Context& context) {
    if (!environments::EnumerateEnvironments(context))
        return std::nullopt;
    std::vector<ListedEnvironment> listed;
    for (int row = 0; row < context.environments.Count(); ++row) {
        const auto composition = environments::ReadToolComposition(context, row);
        if (composition.entryReadable)
            listed.push_back(ReadListed(context, row, composition));
    }
    return listed;
}

std::string ListingJson(const std::vector<ListedEnvironment>& environments) {
    auto array = Json::array();
    for (const auto& e : environments) {
        array.push_back({
            {"key", e.key},
            {"displayName", e.displayName},
            {"location", e.location},
            {"version", e.version},
            {"active", e.active},
            {"tools", ToolsJson(e.tools)},
            {"records", e.records},
            {"installerInformation", e.installerInformation},
            {"tidewatchData", e.tidewatchData},
        });
    }
    Json root;
    root["schemaVersion"] = kSchemaVersion;
    root["environments"] = array;
    // A stray byte in a registry text must not cost the whole listing.
    return root.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string ListingTable(const std::vector<ListedEnvironment>& environments,
                         const core::TextSet& texts) {
    const auto& columns = Columns();
    std::vector<std::vector<std::string>> rows(1);
    for (const auto& column : columns)
        rows.front().push_back(texts.Pick(column.heading));
    for (const auto& e : environments) {
        rows.emplace_back();
        for (const auto& column : columns)
            rows.back().push_back(column.cell(e, texts));
    }
    std::vector<std::size_t> widths(columns.size(), 0);
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], ConsoleWidth(row[i]));

    std::string table;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size())
                line += std::string(widths[i] - ConsoleWidth(row[i]) + 2, ' ');
        }
        table += line + "\n";
    }
    return table;
}

}  // namespace velnora::cmd

#include "environments/tool_record.h"

#include <cstdint>

#include "core/parsing.h"
#include "environments/context.h"
#include "environments/environment_table.h"
#include "environments/file_utilities.h"
#include "platform/shell.h"
#include "platform/user_interface.h"

namespace velnora::environments {

namespace {

// Only whether the section holds anything is asked.
constexpr std::size_t kIniVersionBufferSize = 1024;

constexpr char kInstallVersionSection[] = "Install Version";
constexpr char kIniVersionSection[] = "Ini Version";
constexpr char kInstallSoftwareSection[] = "Install Software";
constexpr char kInstallationRecordSection[] = "Installation Record";

// The first `length` characters of a line, upper-cased (fewer when the line is shorter).
std::string UpperPrefix(const std::string& line, std::size_t length) {
    return UpperCase(line.substr(0, length));
}

bool IsVersionLine(const std::string& line) {
    return UpperPrefix(line, 3) == "VTX";
}
bool IsManualsLine(const std::string& line) {
    return UpperPrefix(line, 7) == "MANUALS";
}

std::string LineKey(const std::string& line) {
    return line.substr(0, line.find('='));
}

// The number of a dotted version: the "." removed, each part without its leading white space.
std::int32_t DottedVersionNumber(const std::string& value) {
    return core::ParseDecimal(JoinTokens(value, "."));
}

// The display text of an "Install Software" line: the value without up to three leading
// comma-separated fields.
std::string PackageText(const std::string& line) {
    std::string text = LineValue(line);
    for (int field = 0; field < 3; ++field) {
        const auto comma = text.find(',');
        if (comma == std::string::npos)
            break;
        text.erase(0, comma + 1);
    }
    return text;
}

}  // namespace

std::string FindWindowsFolder(core::Context& context) {
    const auto& os = context.startup.osVersion;
    std::string folder;
    if (os.IsNt() && os.major >= 5) {
        if (!context.platform.shell.GetSpecialFolderPath(
                platform::csidl::kWindows | platform::csidl::kFlagCreate, folder))
            folder.clear();
        return folder;
    }
    ReadSetupValue(context.platform.registry, os, "SystemRoot", folder);
    return folder;
}

std::string ToolRecordPath(Context& context, int row) {
    const std::string& keyName = context.environments.Row(row).keyName;
    if (keyName == core::kVantorixProductGuid)
        return LiveToolRecordPath(context);
    return FindWindowsFolder(context) + "\\" + keyName + kToolRecordFileName;
}

std::string LiveToolRecordPath(core::Context& context) {
    return FindWindowsFolder(context) + "\\" + kToolRecordFileName;
}

std::vector<std::string> ReadSectionEntries(platform::ProfileFiles& profile,
                                            const std::string& file, const std::string& section) {
    std::string text;
    profile.GetSection(section, platform::kWholeSection, file, text);

    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find('\0', pos);
        if (end == std::string::npos)
            end = text.size();
        if (end == pos)
            break;  // the empty entry that ends the list
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return lines;
}

std::string LineValue(const std::string& line) {
    const auto equals = line.find('=');
    return equals == std::string::npos ? line : line.substr(equals + 1);
}

// The line with key exactly "VTX" wins; without it the highest number wins, the first one
// among equals.
std::string ReadToolRecordVersion(platform::ProfileFiles& profile, const std::string& file) {
    std::string version;
    std::int32_t best = 0;
    std::size_t taken = 0;
    for (const auto& line : ReadSectionEntries(profile, file, kInstallVersionSection)) {
        if (!IsVersionLine(line))
            continue;
        if (++taken > kMaxPackageEntries)
            break;
        const std::string value = LineValue(line);
        const std::int32_t number = DottedVersionNumber(value);
        if (number > best) {
            best = number;
            version = "V." + value;
        }
        if (UpperCase(LineKey(line)) == "VTX") {
            version = "V." + value;
            break;
        }
    }
    return version;
}

std::vector<PackageGroup> PackageGroups(const ToolComposition& c) {
    std::vector<PackageGroup> groups;
    if (!c.categorised) {
        if (!c.unclassified.empty())
            groups.push_back({std::nullopt, &c.unclassified});
        return groups;
    }
    // With categories, an empty "Install Software" shows nothing, not even the unclassified.
    if (!c.softwareListed)
        return groups;
    const PackageGroup categories[] = {
        {core::TextId::kLabelToolChain, &c.toolchains},
        {core::TextId::kLabelSimulatorDebugger, &c.simulatorDebuggers},
        {core::TextId::kLabelEmulatorDebugger, &c.emulatorDebuggers},
        {core::TextId::kLabelOther, &c.others},
        {core::TextId::kLabelUnclassifiedPackage, &c.unclassified},
    };
    for (const PackageGroup& group : categories)
        if (!group.entries->empty())
            groups.push_back(group);
    return groups;
}

ToolComposition ReadToolComposition(Context& context, int row) {
    ToolComposition c;
    c.entryReadable = ReadEnvironmentValue(context, row, "InstallLocation", c.location);

    std::string displayName;
    if (ReadEnvironmentValue(context, row, "DisplayName", displayName)) {
        if (!displayName.empty()) {
            c.displayName = displayName;
            c.displayNameReadable = true;
        } else if (ReadEnvironmentValue(context, row, "_DisplayName", displayName)) {
            c.displayName = displayName;
            c.displayNameReadable = true;
        }
    }

    auto& profile = context.platform.profile;
    const std::string file = ToolRecordPath(context, row);
    c.version = ReadToolRecordVersion(profile, file);

    for (const auto& line : ReadSectionEntries(profile, file, kInstallVersionSection)) {
        if (c.unclassified.size() == kMaxPackageEntries)
            break;
        if (!IsVersionLine(line) && !IsManualsLine(line))
            c.unclassified.push_back(line);
    }

    std::string iniVersion;
    c.categorised =
        profile.GetSection(kIniVersionSection, kIniVersionBufferSize, file, iniVersion) != 0;
    // A record without "Ini Version" is read no further: neither categories nor history.
    if (!c.categorised)
        return c;

    const auto software = ReadSectionEntries(profile, file, kInstallSoftwareSection);
    c.softwareListed = !software.empty();
    for (const auto& line : software) {
        const std::string k9 = UpperPrefix(line, 9);
        std::vector<std::string>* list = nullptr;
        if (k9 == "TOOLCHAIN")
            list = &c.toolchains;
        else if (k9 == "SDEBUGGER")
            list = &c.simulatorDebuggers;
        else if (k9 == "EDEBUGGER")
            list = &c.emulatorDebuggers;
        else if (UpperPrefix(line, 5) == "OTHER")
            list = &c.others;
        if (list == nullptr)
            continue;
        list->push_back(PackageText(line));
        if (list->size() == kMaxPackageEntries)
            break;
    }

    for (const auto& line : ReadSectionEntries(profile, file, kInstallationRecordSection))
        c.records.push_back(LineValue(line));
    return c;
}

}  // namespace velnora::environments

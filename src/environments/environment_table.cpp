#include "environments/environment_table.h"

#include <array>
#include <cstdint>
#include <utility>

#include "core/parsing.h"
#include "environments/context.h"
#include "platform/user_interface.h"

namespace velnora::environments {

void EnvironmentTable::Clear() {
    for (auto& row : rows_) {
        row.keyName.clear();
        row.keyPath.clear();
    }
    count_ = 0;
    complete_ = false;
}

void EnvironmentTable::CountNextRow() {
    if (Full())
        __builtin_trap();
    ++count_;
}

void EnvironmentTable::SwapRows(int a, int b) {
    if (a == b)
        return;
    std::swap(rows_[Checked(a)], rows_[Checked(b)]);
}

namespace {

constexpr char kProductGuidValue[] = "ProductGuid";
constexpr char kDisplayNameValue[] = "DisplayName";
constexpr char kParkedDisplayNameValue[] = "_DisplayName";
constexpr char kInstallLocationValue[] = "InstallLocation";
constexpr char kProgramFileName[] = "\\VTX2.exe";
constexpr char kCountSection[] = "General";
constexpr char kCountKey[] = "VtxInstanceCount";

std::string EntryPath(const std::string& keyName) {
    return std::string(core::kUninstallRoot) + "\\" + keyName;
}

// Reads a value of an open key as text; nothing when it is missing or too long.
bool ReadText(platform::Registry& registry, platform::Handle key, const std::string& name,
              std::string& text, std::uint32_t* type = nullptr) {
    platform::RegValue value;
    if (registry.QueryValue(key, name, kValueBufferSize, value) != platform::error::kSuccess)
        return false;
    text = BufferText(value);
    if (type != nullptr)
        *type = value.type;
    return true;
}

enum class EntryLook {
    kExamined,
    // Deleted between the listing and the open, as an uninstaller that has just ended does.
    kGone,
    kFailed,
};

// Looks at one subkey of the uninstall root.
EntryLook ExamineEntry(Context& context, const std::string& name) {
    auto& registry = context.platform.registry;
    auto& table = context.environments;
    const std::string path = EntryPath(name);
    platform::RegKey key(registry);
    const platform::ErrorCode opened =
        key.Open(registry.Root(platform::RegRoot::LocalMachine), path, platform::regaccess::kRead);
    if (opened == platform::error::kFileNotFound)
        return EntryLook::kGone;
    if (opened != platform::error::kSuccess)
        return EntryLook::kFailed;

    std::string guid;
    if (ReadText(registry, key.Get(), kProductGuidValue, guid) && !guid.empty() &&
        guid == core::kVantorixProductGuid) {
        // Stored before it is known to count; the next candidate takes the row if it does not.
        environments::EnvironmentRecord& row = table.Row(table.Count());
        row.keyName = name;
        row.keyPath = path;

        std::string displayName;
        bool counts = false;
        if (ReadText(registry, key.Get(), kDisplayNameValue, displayName)) {
            // An existing but empty "DisplayName" wins over "_DisplayName".
            counts = !displayName.empty();
        } else if (ReadText(registry, key.Get(), kParkedDisplayNameValue, displayName)) {
            counts = !displayName.empty();
        }
        if (counts)
            table.CountNextRow();
    }
    return EntryLook::kExamined;
}

}  // namespace

std::string BufferText(const platform::RegValue& value) {
    std::string text(value.data.begin(), value.data.end());
    const auto zero = text.find('\0');
    if (zero != std::string::npos)
        text.resize(zero);
    return text;
}

std::string JoinTokens(const std::string& text, const char* delimiters) {
    std::string joined;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find_first_of(delimiters, pos);
        if (end == std::string::npos)
            end = text.size();
        std::size_t start = pos;
        while (start < end && core::IsCSpace(text[start]))
            ++start;
        joined.append(text, start, end - start);
        pos = end + 1;
    }
    return joined;
}

bool EnumerateEnvironments(Context& context) {
    auto& registry = context.platform.registry;
    auto& table = context.environments;
    table.Clear();

    platform::RegKey root(registry);
    if (root.Open(registry.Root(platform::RegRoot::LocalMachine), core::kUninstallRoot,
                  platform::regaccess::kEnumerateSubKeys) != platform::error::kSuccess) {
        return false;
    }

    std::string gone;
    for (std::uint32_t index = 0;;) {
        // A full table ends the walk: entries beyond the 128th are ignored rather than
        // overwriting a row, and the walk counts as complete.
        if (table.Full())
            break;

        std::string name;
        const platform::ErrorCode result =
            registry.EnumKey(root.Get(), index, kKeyNameBufferSize, name);
        if (result == platform::error::kNoMoreItems)
            break;
        // Any other failure would repeat at every index; it is a failed search like a subkey
        // that cannot be opened.
        const EntryLook look =
            result == platform::error::kSuccess ? ExamineEntry(context, name) : EntryLook::kFailed;
        if (look == EntryLook::kFailed) {
            root.Close();
            return false;
        }
        // The listing closes up behind a deleted subkey: its index now names the next one. The
        // same name twice is a subkey that only looks gone, and the walk moves on.
        if (look == EntryLook::kGone && name != gone) {
            gone = name;
            continue;
        }
        ++index;
    }
    root.Close();
    table.MarkComplete();

    SortEnvironmentsByLocation(context);
    context.platform.profile.WriteString(kCountSection, std::string(kCountKey),
                                         std::to_string(table.Count()),
                                         context.startup.settingsFile);
    return true;
}

core::Notice SearchFailedNotice(const core::TextSet& texts) {
    return core::Notice{texts.Get(core::TextId::kMsgRegistrySearchFailed)};
}

void SortEnvironmentsByLocation(Context& context) {
    auto& table = context.environments;
    const int count = table.Count();

    // Each location is read once and travels with its row, so the exchange loop below sees
    // exactly the texts it would see by reading the registry at every comparison.
    std::array<std::string, environments::kMaxEnvironments> locations;
    for (int row = 0; row < count; ++row)
        ReadEnvironmentValue(context, row, kInstallLocationValue,
                             locations[static_cast<std::size_t>(row)]);

    for (int i = 0; i < count; ++i) {
        for (int j = i; j < count; ++j) {
            auto& first = locations[static_cast<std::size_t>(i)];
            auto& second = locations[static_cast<std::size_t>(j)];
            if (first > second) {
                table.SwapRows(i, j);
                std::swap(first, second);
            }
        }
    }
}

bool ReadEnvironmentValue(Context& context, int row, const std::string& valueName,
                          std::string& text) {
    std::uint32_t type = platform::regtype::kNone;
    return ReadEnvironmentValue(context, row, valueName, text, type);
}

bool ReadEnvironmentValue(Context& context, int row, const std::string& valueName,
                          std::string& text, std::uint32_t& type) {
    auto& registry = context.platform.registry;
    text.clear();
    type = platform::regtype::kNone;
    platform::RegKey key(registry);
    if (key.Open(registry.Root(platform::RegRoot::LocalMachine),
                 context.environments.Row(row).keyPath,
                 platform::regaccess::kRead) != platform::error::kSuccess)
        return false;
    ReadText(registry, key.Get(), valueName, text, &type);
    return true;
}

int FindEnvironmentIndex(const environments::EnvironmentTable& table, const std::string& keyName) {
    for (int row = 0; row < table.Count(); ++row)
        if (table.Row(row).keyName == keyName)
            return row;
    return -1;
}

bool EnvironmentEntryExists(platform::Registry& registry, const std::string& keyName) {
    platform::RegKey key(registry);
    return key.Open(registry.Root(platform::RegRoot::LocalMachine), EntryPath(keyName),
                    platform::regaccess::kRead) == platform::error::kSuccess;
}

// Without an active row nothing changes. When its entry cannot be opened the folder name
// becomes empty and the version stays; when its program has no version the version becomes 0.
bool FindActiveEnvironment(Context& context, std::int32_t& version) {
    const int row = FindEnvironmentIndex(context.environments, core::kVantorixProductGuid);
    if (row < 0)
        return false;

    std::string location;
    const bool opened = ReadEnvironmentValue(context, row, kInstallLocationValue, location);
    const auto slash = location.find_last_of('\\');
    context.active.folderName = slash == std::string::npos ? location : location.substr(slash + 1);
    if (!opened)
        return false;

    std::int32_t number = 0;
    if (!ReadProductVersionNumber(context.platform.shell, location + kProgramFileName, number)) {
        version = 0;
        return false;
    }
    version = number;
    return true;
}

bool ReadProductVersionNumber(platform::Shell& shell, const std::string& programFile,
                              std::int32_t& number) {
    const auto text = shell.ProductVersion(programFile);
    if (!text || text->empty())
        return false;

    std::string joined = JoinTokens(*text, ".,");
    if (joined.size() > 4)
        joined.resize(4);
    number = core::ParseDecimal(joined);
    return true;
}

namespace {

// The display name and location of a row, preferring the live name; false when neither pair
// could be read from the entry.
bool ReadNameAndLocation(Context& context, int row, std::string& name, std::string& location) {
    if (ReadEnvironmentValue(context, row, "DisplayName", name) &&
        ReadEnvironmentValue(context, row, "InstallLocation", location) && !name.empty())
        return true;
    // A parked entry carries its name as "_DisplayName"; shown even when empty.
    return ReadEnvironmentValue(context, row, "_DisplayName", name) &&
           ReadEnvironmentValue(context, row, "InstallLocation", location);
}

}  // namespace

std::string EnvironmentRowText(Context& context, int row) {
    std::string name;
    std::string location;
    if (!ReadNameAndLocation(context, row, name, location))
        return std::string();
    return name + " (" + location + ")";
}

}  // namespace velnora::environments

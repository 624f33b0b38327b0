#include "environments/move_support.h"

#include "environments/context.h"
#include "platform/shell.h"

namespace velnora::environments {

namespace {

// Room for the longest value name and data the registry allows.
constexpr std::size_t kLargestValueName = 16384;
constexpr std::size_t kLargestValueData = 1u << 24;

}  // namespace

Presence Probe(platform::FileSystem& files, const std::string& path) {
    std::string lookup = path;
    // "C:\" keeps its backslash; a folder named with one at its end is searched without.
    while (lookup.size() > 3 && lookup.back() == '\\')
        lookup.pop_back();
    platform::Handle find = platform::kNoHandle;
    platform::FindData data;
    const platform::ErrorCode result = files.FindFirst(lookup, find, data);
    if (result == platform::error::kSuccess) {
        files.FindClose(find);
        return Presence::kPresent;
    }
    if (result == platform::error::kFileNotFound || result == platform::error::kPathNotFound)
        return Presence::kAbsent;
    return Presence::kUnknown;
}

bool SpecialFolder(platform::Shell& shell, int csidl, std::string& path) {
    path.clear();
    if (shell.GetSpecialFolderPath(csidl | platform::csidl::kFlagCreate, path))
        return true;
    path.clear();
    return false;
}

core::Notice PathNotice(const core::TextSet& texts, core::TextId text, const std::string& path) {
    return core::Notice{texts.Get(text) + "[" + path + "]"};
}

std::string UninstallEntryPath(const std::string& keyName) {
    return std::string(core::kUninstallRoot) + "\\" + keyName;
}

platform::ErrorCode EnumWholeValue(platform::Registry& registry, platform::Handle key,
                                   std::uint32_t index, std::string& name,
                                   platform::RegValue& value) {
    platform::ErrorCode result =
        registry.EnumValue(key, index, kValueNameBuffer, kValueDataBuffer, name, value);
    if (result == platform::error::kMoreData)
        result = registry.EnumValue(key, index, kLargestValueName, kLargestValueData, name, value);
    return result;
}

bool CreateAndCloseKey(platform::Registry& registry, platform::Handle root,
                       const std::string& path) {
    platform::RegKey key(registry);
    if (key.Create(root, path, platform::regaccess::kWrite) != platform::error::kSuccess)
        return false;
    return key.Close() == platform::error::kSuccess;
}

}  // namespace velnora::environments

#include "environments/com_scripts.h"

#include <cstddef>
#include <cstdint>

#include "environments/context.h"
#include "environments/environment_table.h"
#include "environments/file_utilities.h"

namespace velnora::environments {

namespace {

struct ScriptSet {
    const char* single;  // runs alone when present
    const char* first;   // otherwise these two, one after the other
    const char* second;
};

constexpr ScriptSet kRegisterScripts{"ALL_REGISTERSERVER.bat", "REGISTERSERVER.bat",
                                     "PDREGISTERSERVER.bat"};
constexpr ScriptSet kUnregisterScripts{"ALL_UNREGISTERSERVER.bat", "UNREGISTERSERVER.bat",
                                       "PDUNREGISTERSERVER.bat"};

// Paths are at most 259 characters before their terminating zero.
constexpr std::size_t kMaxPathCharacters = 259;

std::size_t CharacterCount(const std::string& text) {
    std::size_t count = 0;
    for (const char c : text)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

// The scripts are started by a path built from the location. An empty, relative, over-long or
// non-text location would make that path point somewhere else (the drive root, the working
// folder), where some other product's script of the same name may lie.
bool IsScriptFolder(platform::FileSystem& files, const std::string& location, std::uint32_t type) {
    const bool text =
        type == platform::regtype::kString || type == platform::regtype::kExpandString;
    return text && IsFullPath(location) && CharacterCount(location) <= kMaxPathCharacters &&
           files.PathIsDirectory(location);
}

// The key name is taken by value: callers may pass a table row, which the enumeration rebuilds.
bool RunScripts(Context& context, const std::string keyName, const ScriptSet& scripts,
                core::Notices& notices) {
    if (!EnumerateEnvironments(context))
        notices.push_back(SearchFailedNotice(context.texts));
    const int row = FindEnvironmentIndex(context.environments, keyName);
    if (row < 0)
        return false;
    std::string location;
    std::uint32_t type = platform::regtype::kNone;
    if (!ReadEnvironmentValue(context, row, "InstallLocation", location, type))
        return false;
    // Nothing to run, which the switch takes as it takes missing scripts.
    if (!IsScriptFolder(context.platform.files, location, type))
        return true;

    if (platform::FileExists(context.platform.files, location + "\\" + scripts.single)) {
        RunEnvironmentScript(context.platform.shell, location, scripts.single);
    } else {
        // Started even when missing: a script that is not there simply does not start.
        RunEnvironmentScript(context.platform.shell, location, scripts.first);
        RunEnvironmentScript(context.platform.shell, location, scripts.second);
    }
    return true;
}

}  // namespace

bool RegisterComServers(Context& context, const std::string& keyName, core::Notices& notices) {
    return RunScripts(context, keyName, kRegisterScripts, notices);
}

bool UnregisterComServers(Context& context, const std::string& keyName, core::Notices& notices) {
    return RunScripts(context, keyName, kUnregisterScripts, notices);
}

void RunEnvironmentScript(platform::Shell& shell, const std::string& folder,
                          const std::string& name) {
    platform::ExecuteRequest request;
    request.verb = "open";
    request.file = folder + "\\" + name;
    request.directory = folder;
    request.showCommand = platform::showcmd::kHide;
    request.mask = platform::seemask::kFlagNoUi | platform::seemask::kDdeWait;
    platform::Handle process = platform::kNoHandle;
    shell.ShellExecuteEx(request, process);
}

}  // namespace velnora::environments

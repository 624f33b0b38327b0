#include "environments/com_scripts.h"

#include "core/context.h"
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

// The key name is taken by value: callers may pass a table row, which the enumeration rebuilds.
bool RunScripts(core::Context& context, const std::string keyName, const ScriptSet& scripts) {
    EnumerateEnvironments(context);
    const int row = FindEnvironmentIndex(context.environments, keyName);
    if (row < 0)
        return false;
    std::string location;
    if (!ReadEnvironmentValue(context, row, "InstallLocation", location))
        return false;

    if (platform::FileExists(context.platform.files, location + "\\" + scripts.single)) {
        RunEnvironmentScript(context, location, scripts.single);
    } else {
        // Started even when missing: a script that is not there simply does not start.
        RunEnvironmentScript(context, location, scripts.first);
        RunEnvironmentScript(context, location, scripts.second);
    }
    return true;
}

}  // namespace

bool RegisterComServers(core::Context& context, const std::string& keyName) {
    return RunScripts(context, keyName, kRegisterScripts);
}

bool UnregisterComServers(core::Context& context, const std::string& keyName) {
    return RunScripts(context, keyName, kUnregisterScripts);
}

void RunEnvironmentScript(core::Context& context, const std::string& folder,
                          const std::string& name) {
    platform::ExecuteRequest request;
    request.verb = "open";
    request.file = folder + "\\" + name;
    request.directory = folder;
    request.showCommand = platform::showcmd::kHide;
    request.mask = platform::seemask::kFlagNoUi | platform::seemask::kDdeWait;
    platform::Handle process = platform::kNoHandle;
    context.platform.shell.ShellExecuteEx(request, process);
}

}  // namespace velnora::environments

#include "environments/process_api.h"

#include <optional>
#include <vector>

#include "core/texts.h"
#include "environments/context.h"

namespace velnora::environments {

namespace {

struct ApiFunctions {
    const char* library;
    core::TextId missingLibrary;
    std::vector<const char*> functions;
};

// Looks up one library and its functions; the text to show when something is missing.
std::optional<core::TextId> FindApi(platform::Processes& processes, const ApiFunctions& api) {
    if (!processes.LoadLibrary(api.library))
        return api.missingLibrary;
    for (const char* function : api.functions)
        if (!processes.HasFunction(api.library, function))
            return core::TextId::kMsgApiLoadingError;
    return std::nullopt;
}

}  // namespace

bool LoadProcessApi(Context& context, core::Notices& notices) {
    auto& state = context.processApi;
    auto& processes = context.platform.processes;
    const auto& os = context.startup.osVersion;

    std::optional<core::TextId> missing;
    if (os.IsNt() && os.major < 5) {
        state.usePsapi = true;
        missing =
            FindApi(processes, {"PSAPI.DLL",
                                core::TextId::kMsgPsapiNotFound,
                                {"EnumProcesses", "EnumProcessModules", "GetModuleFileNameExW"}});
    } else {
        state.usePsapi = false;
        missing = FindApi(processes, {"Kernel32.dll",
                                      core::TextId::kMsgKernel32NotFound,
                                      {"CreateToolhelp32Snapshot", "Process32FirstW",
                                       "Process32NextW", "Module32FirstW", "Module32NextW"}});
        if (!missing)
            missing = FindApi(
                processes,
                {"Shell32.dll", core::TextId::kMsgShell32NotFound, {"SHGetSpecialFolderPathW"}});
    }

    if (missing) {
        notices.push_back({context.texts.Get(*missing), core::NoticeCaption::kProgramName,
                           platform::mb::kOk, false});
        return false;
    }
    state.loaded = true;
    return true;
}

bool EnsureProcessApi(Context& context, core::Notices& notices) {
    return context.processApi.loaded || LoadProcessApi(context, notices);
}

}  // namespace velnora::environments

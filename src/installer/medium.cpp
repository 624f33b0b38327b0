#include "installer/medium.h"

#include "core/parsing.h"
#include "installer/catalogue.h"
#include "installer/context.h"
#include "installer/execution.h"

namespace velnora::installer {

namespace {

constexpr std::size_t kProfileBuffer = 1024;
constexpr std::size_t kOptionBuffer = 512;

}  // namespace

InstallerForm ChooseInstallerForm(Context& context) {
    auto& profile = context.platform.profile;
    const std::string& autorun = context.startup.autorunPath;
    InstallerForm chosen;
    chosen.form = pageform::kBrowse;
    if (autorun.empty() || !context.platform.files.PathFileExists(autorun))
        return chosen;
    std::string name;
    profile.GetString("Default", "InstallerName", "", kProfileBuffer, autorun, name);
    const std::size_t shown = PageEntryCount(context.catalogue);
    if (!name.empty()) {
        chosen.installerPath = context.startup.programFolder + "\\" + name;
        chosen.form = context.platform.files.PathFileExists(chosen.installerPath)
                          ? pageform::kSingle
                          : pageform::kBrowse;
        chosen.entryCount = 1;
    } else if (shown > 0) {
        chosen.form = pageform::kList;
        chosen.entryCount = static_cast<int>(shown);
    }
    std::string skip;
    profile.GetString("General", "bSkipSelectInstaller", "", kProfileBuffer, autorun, skip);
    chosen.skipSelect = core::ParseDecimal(skip) == 1;
    return chosen;
}

RunOptions ReadRunOptions(core::Context& context) {
    const auto option = [&context](const char* key) {
        std::string value;
        context.platform.profile.GetString("General", key, "", kOptionBuffer,
                                           context.startup.autorunPath, value);
        return IsOnWord(value);
    };
    return {option("Quiet"), option("NoMessage"), option("QuitAfterInstall"), option("Restart_PC")};
}

}  // namespace velnora::installer

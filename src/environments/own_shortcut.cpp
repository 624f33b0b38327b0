#include "environments/own_shortcut.h"

#include "environments/context.h"
#include "environments/file_utilities.h"
#include "environments/move_support.h"

namespace velnora::environments {

namespace {

constexpr char kOwnFolderName[] = "Velnora";
constexpr char kShortcutName[] = "Multiple Install Manager.lnk";

}  // namespace

std::string ManagerBaseName(const core::Context& context) {
    return context.startup.managerBaseName.empty() ? context.startup.programBaseName
                                                   : context.startup.managerBaseName;
}

std::string OwnFolder(core::Context& context) {
    std::string programFiles;
    if (!SpecialFolder(context.platform.shell, platform::csidl::kProgramFiles, programFiles))
        return {};
    return programFiles + "\\Common Files\\" + kMakerName + "\\" + kOwnFolderName;
}

std::string OwnShortcutPath(core::Context& context, const std::string& suffix) {
    std::string programs;
    if (!SpecialFolder(context.platform.shell, platform::csidl::kCommonPrograms, programs))
        return {};
    return programs + "\\" + kMakerName + suffix + "\\" + kShortcutName;
}

bool OwnShortcutExists(core::Context& context, const std::string& suffix) {
    const std::string link = OwnShortcutPath(context, suffix);
    return !link.empty() && context.platform.files.PathFileExists(link);
}

void CreateOwnShortcut(core::Context& context, const std::string& suffix) {
    const std::string link = OwnShortcutPath(context, suffix);
    const std::string folder = OwnFolder(context);
    if (link.empty() || folder.empty())
        return;
    // The twin starts with another working folder than the user's shell would give.
    const std::string workingFolder = context.startup.elevatedTwin ? folder : std::string();
    CreateShortcut(context.platform.shell, link, folder + "\\" + ManagerBaseName(context) + ".exe",
                   "", "", workingFolder, "", 0, platform::showcmd::kNormal);
}

}  // namespace velnora::environments

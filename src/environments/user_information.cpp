#include "environments/user_information.h"

#include <string>

#include "core/context.h"
#include "environments/tool_record.h"

namespace velnora::environments {

namespace {

struct UserField {
    const char* key;
    std::string core::UserInformation::*field;
};
constexpr UserField kUserFields[] = {
    {"Company name", &core::UserInformation::company},
    {"Address", &core::UserInformation::address},
    {"Department", &core::UserInformation::department},
    {"User name", &core::UserInformation::userName},
    {"Tel", &core::UserInformation::tel},
    {"Fax", &core::UserInformation::fax},
    {"Email", &core::UserInformation::email},
};

}  // namespace

bool RecordUserInformation(core::Context& context) {
    const std::string folder = FindWindowsFolder(context);
    std::string& chosen = context.startup.chosenInstallDir;
    if (!context.platform.files.PathIsDirectory(folder)) {
        context.platform.ui.MessageBox(
            nullptr, context.texts.Get(core::TextId::kMsgFolderNotFound) + "[" + folder + "]",
            context.texts.Get(core::TextId::kCaptionError), platform::mb::kOk);
        chosen.clear();
        return false;
    }
    const std::string file = folder + "\\Vtx2Inst.ini";
    auto& profile = context.platform.profile;
    for (const UserField& user : kUserFields)
        profile.WriteString("UserInformation_Common", std::string(user.key),
                            context.startup.userInformation.*user.field, file);
    if (!chosen.empty()) {
        profile.WriteString("Install Directory", std::string("VTX"), chosen, file);
        profile.WriteString("Install Directory", std::string("Target"), chosen, file);
        profile.WriteString("Install Type", std::string("Type"), std::string("Orvessa"), file);
        chosen.clear();
    }
    return true;
}

}  // namespace velnora::environments

#include "environments/user_information.h"

#include <cstddef>
#include <optional>
#include <string>

#include "core/texts.h"
#include "environments/context.h"
#include "environments/move_support.h"
#include "environments/tool_record.h"

namespace velnora::environments {

namespace {

constexpr std::size_t kProfileBuffer = 1024;

// Each field under its key in the settings file and in the tool record, in the order both are
// read and written.
struct Field {
    std::string core::UserInformation::*value;
    const char* settingsKey;
    const char* recordKey;
};
constexpr Field kFields[] = {
    {&core::UserInformation::company, "Company", "Company name"},
    {&core::UserInformation::address, "Address", "Address"},
    {&core::UserInformation::department, "Department", "Department"},
    {&core::UserInformation::userName, "User name", "User name"},
    {&core::UserInformation::tel, "Tel", "Tel"},
    {&core::UserInformation::fax, "Fax", "Fax"},
    {&core::UserInformation::email, "Email", "Email"},
};

// Where the installer of a new environment finds its folder and the kind of installation.
struct FolderKey {
    const char* section;
    const char* key;
    bool chosenFolder;  // the value is the chosen folder, else kInstallType
};
constexpr char kInstallType[] = "Orvessa";
constexpr FolderKey kFolderKeys[] = {
    {kInstallDirectorySection, "VTX", true},
    {kInstallDirectorySection, "Target", true},
    {kInstallTypeSection, "Type", false},
};

}  // namespace

void LoadUserInformation(core::Context& context) {
    auto& info = context.startup.userInformation;
    for (const Field& field : kFields) {
        std::string value;
        context.platform.profile.GetString(kUserInfoSection, std::string(field.settingsKey), "",
                                           kProfileBuffer, context.startup.settingsFile, value);
        info.*field.value = value;
    }
}

bool RecordUserInformation(core::Context& context, core::Notices& notices) {
    auto& platform = context.platform;
    auto& startup = context.startup;
    const std::string windows = FindWindowsFolder(context);
    if (windows.empty() || !platform.files.PathIsDirectory(windows)) {
        notices.push_back(
            {context.texts.Get(core::TextId::kMsgFolderNotFound) + "[" + windows + "]",
             core::NoticeCaption::kError, platform::mb::kOk, false});
        startup.chosenInstallDir.clear();
        return false;
    }

    // A missing value would delete the key: an empty field is written as an empty key.
    const std::string file = windows + "\\" + kToolRecordFileName;
    const auto write = [&](const char* section, const char* key, const std::string& value) {
        if (platform.profile.WriteString(section, std::string(key), value, file))
            return true;
        notices.push_back(PathNotice(context.texts, core::TextId::kMsgFileNotWritten, file));
        return false;
    };
    for (const Field& field : kFields)
        if (!write(kUserInformationSection, field.recordKey, startup.userInformation.*field.value))
            return false;

    // The folder is consumed only once it is in the record.
    if (startup.chosenInstallDir.empty())
        return true;
    for (const FolderKey& key : kFolderKeys)
        if (!write(key.section, key.key,
                   key.chosenFolder ? startup.chosenInstallDir : std::string(kInstallType)))
            return false;
    startup.chosenInstallDir.clear();
    return true;
}

}  // namespace velnora::environments

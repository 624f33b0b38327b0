// The program-wide state of one run, created by start-up and handed down by reference: the
// platform, the texts, the start-up values and the operation's log. The layers above keep their
// own state in contexts of their own built on this one (environments::Context,
// installer::Context). Nothing of it is global, so every test starts from a fresh context.
#pragma once

#include <string>

#include "core/exit_codes.h"
#include "core/texts.h"
#include "platform/platform.h"

namespace velnora::core {

enum class StartMode : int { kAutorun = 0, kInstall = 1, kMaintenance = 2, kUninstall = 3 };

inline constexpr char kVantorixProductGuid[] = "{3B9F02D6-4C71-4E8A-B5D3-1F60A2C7E948}";
inline constexpr char kUninstallRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The user information handed to installers, from [UserInfo] of the settings file.
struct UserInformation {
    std::string company;
    std::string address;
    std::string department;
    std::string userName;
    std::string tel;
    std::string fax;
    std::string email;
};

struct StartupValues {
    std::string programBaseName;  // "Velnora"
    std::string settingsFile;     // bare name, resolved to the Windows folder: "Velnora.ini"
    std::string programFolder;    // no trailing backslash
    std::string autorunPath;      // autorun.ini next to the program
    platform::OsVersion osVersion;
    StartMode startMode = StartMode::kAutorun;
    bool standardInstall = true;
    std::string chosenInstallDir;
    UserInformation userInformation;
    int installerCount = 0;
    // VelnoraAdm, the elevated twin, is the program that runs (it moves start-menu folders
    // through the shell).
    bool elevatedTwin = false;
    // The install manager's own name, which the twin shares: its settings file and installed
    // copy. "Velnora" in both programs.
    std::string managerBaseName;
    // How the process ends when Windows cuts an install run off: the console ends as a run
    // that needs a restart to finish, which it does once resumed.
    int cutOffExitCode = twinexit::kCutOff;
};

class RunLog;

struct Context {
    explicit Context(platform::Platform& p) : platform(p) {}
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    platform::Platform& platform;
    TextSet texts;
    StartupValues startup;
    // The log of the operation that runs, which also notes the platform's failed changes; none
    // between operations.
    RunLog* operationLog = nullptr;
};

}  // namespace velnora::core

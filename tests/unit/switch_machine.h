// A fake machine with Vantorix environments as the vendor installer and earlier switches leave
// them: each environment's uninstall entry, Tidewatch data folder and registration, installer
// information folder, start-menu folder, tool record, file association, program file and COM
// scripts, under live names (the active one) or under its parked key name. Each environment's
// material carries its own tag, so a test can tell whose material lies where, and can ask
// whether any of it has been lost.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/notice.h"
#include "fake/fake_platform.h"
#include "fake/fault_sweep.h"
#include "installer/context.h"

namespace velnora::testing {

inline const std::string kGuid = core::kVantorixProductGuid;

namespace paths {
inline const std::string kAppDataMaker = std::string(fake::machine::kCommonAppData) + "\\Orvessa";
inline const std::string kInstallerInfoRoot =
    std::string(fake::machine::kProgramFiles) + "\\InstallShield Installation Information";
inline const std::string kPrograms = fake::machine::kCommonPrograms;
inline const std::string kWindows = fake::machine::kWindowsFolder;
inline const std::string kTidewatchProgram = "C:\\Program Files\\Orvessa\\Tidewatch\\Tidewatch.exe";
inline const std::string kTidewatchKey = "SOFTWARE\\Orvessa\\Tidewatch";
inline const std::string kStartupLink =
    std::string(fake::machine::kCommonStartup) + "\\Orvessa Tidewatch.lnk";

inline std::string Entry(const std::string& keyName) {
    return std::string(core::kUninstallRoot) + "\\" + keyName;
}
inline std::string Suffix(const std::string& keyName) {
    return keyName == kGuid ? std::string() : keyName;
}
inline std::string TidewatchFolder(const std::string& keyName) {
    return kAppDataMaker + "\\" + Suffix(keyName) + "Tidewatch";
}
inline std::string InstallerInfo(const std::string& keyName) {
    return kInstallerInfoRoot + "\\" + keyName;
}
inline std::string StartMenu(const std::string& keyName) {
    return kPrograms + "\\Orvessa" + Suffix(keyName);
}
inline std::string ToolRecord(const std::string& keyName) {
    return kWindows + "\\" + Suffix(keyName) + "Vtx2Inst.ini";
}
inline std::string TidewatchRegistration(const std::string& keyName) {
    return keyName == kGuid ? kTidewatchKey : "SOFTWARE\\Orvessa\\" + keyName + "Tidewatch";
}
inline std::string Association(const std::string& keyName) {
    return "VTX_Workspace" + Suffix(keyName);
}
}  // namespace paths

// A parked key name of the product GUID's shape.
std::string ParkedKey(int n);
// The parked name the first GUID of the fake shell gives.
std::string FirstGuidName();

class SwitchMachine;
// Where the uninstall entries of the environments tagged by their locations' last letter are,
// live, parked as ParkedKey(2) or as FirstGuidName(): "A@live B@N " and the like.
std::string EntryPlaces(SwitchMachine& machine);

struct EnvironmentPlan {
    std::string keyName;  // kGuid for the active environment
    std::string tag;      // "A", "B": goes into every piece of the material
    std::string version = "4.08.00.012";
    bool association = true;
    bool tidewatchEnabled = true;
};

// Everything of one environment that must never be lost, as found at the start.
struct Material {
    std::string tag;
    std::string location;
    std::map<std::string, platform::RegValue> entry;  // by value name, at the start key
    std::string startKey;
    std::map<std::string, std::string> tidewatchFiles;  // relative path -> content
    std::map<std::string, std::string> installerFiles;
    std::map<std::string, std::string> startMenuFiles;
    std::string toolRecord;
    std::optional<platform::RegValue> clientInfo;
    std::map<std::string, platform::RegValue> iconValues;
    std::map<std::string, platform::RegValue> commandValues;
};

class SwitchMachine {
  public:
    SwitchMachine();

    // Tidewatch installed at kTidewatchProgram and running.
    void InstallTidewatch(bool running = true);
    void InstallEnvironment(const EnvironmentPlan& plan);
    Material Capture(const EnvironmentPlan& plan) const;

    // Everything of the material that cannot be found complete under any of the names, each
    // as a line of text; empty when nothing was lost.
    std::vector<std::string> Losses(const Material& material,
                                    const std::vector<std::string>& names) const;
    // The locations a fresh enumeration lists (faults must be cleared).
    std::vector<std::string> ListedLocations();

    // The whole registry below SOFTWARE (classes included) and the whole drive with contents
    // and attributes (the settings file aside), as text.
    std::string State() const;

    // The texts of the message boxes shown so far.
    std::vector<std::string> MessageTexts() const;

    // The texts of the notices the engines gave back so far.
    std::vector<std::string> NoticeTexts() const;

    fake::FakePlatform fake;
    installer::Context context{fake.Get()};
    // Where the engine calls of the tests put their notices.
    core::Notices notices;

  private:
    std::map<std::string, std::string> Files(const std::string& folder) const;
    std::map<std::string, platform::RegValue> Values(platform::RegRoot root,
                                                     const std::string& key) const;
};

// Where in the switch a platform call belongs: the step whose material it touches (1 to 8),
// 0 for anything else. Only calls that change something are classified.
int StepOfCall(const fake::Call& call);

// The steps that changed something, in order, each run of calls to one step counted once,
// from log entry `from` on.
std::vector<int> StepsTouched(const std::vector<fake::Call>& log, std::size_t from = 0);

using fake::OccurrenceOf;

}  // namespace velnora::testing

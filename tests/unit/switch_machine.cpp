#include "switch_machine.h"

#include <cstdio>

#include "environments/environment_table.h"
#include "environments/file_utilities.h"

namespace velnora::testing {

namespace {

using platform::RegRoot;
using platform::RegValue;

RegValue Bytes(const std::string& text) {
    RegValue value;
    value.type = platform::regtype::kBinary;
    value.data.assign(text.begin(), text.end());
    return value;
}

std::string Location(const std::string& tag) {
    return "C:\\Vantorix\\Env" + tag;
}

std::string Describe(const RegValue& value) {
    return "type " + std::to_string(value.type) + " \"" +
           std::string(value.data.begin(), value.data.end()) + "\"";
}

bool SameValue(const RegValue& a, const RegValue& b) {
    return a.type == b.type && a.data == b.data;
}

// The value as it must look in the entry named `keyName`.
RegValue Expected(const RegValue& value, const std::string& valueName, const std::string& from,
                  const std::string& to) {
    if ((valueName != "LogFile" && valueName != "UninstallString") ||
        value.type != platform::regtype::kString)
        return value;
    std::string text(value.data.begin(), value.data.end());
    const auto at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    RegValue moved = value;
    moved.data.assign(text.begin(), text.end());
    return moved;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

std::string ParkedKey(int n) {
    char text[64];
    std::snprintf(text, sizeof text, "{5EED%04u-0000-4000-8000-00000000AB%02u}",
                  static_cast<unsigned>(n % 10000), static_cast<unsigned>(n % 100));
    return text;
}

std::string FirstGuidName() {
    return environments::GuidText(fake::FakeShell::SequenceGuid(1));
}

std::string EntryPlaces(SwitchMachine& machine) {
    std::string places;
    for (const std::string& name : {std::string(kGuid), ParkedKey(2), FirstGuidName()}) {
        const auto location = machine.fake.registry.GetText(platform::RegRoot::LocalMachine,
                                                            paths::Entry(name), "InstallLocation");
        if (!location)
            continue;
        const std::string where = name == kGuid ? "live" : (name == ParkedKey(2) ? "N" : "P");
        places += location->substr(location->size() - 1) + "@" + where + " ";
    }
    return places;
}

SwitchMachine::SwitchMachine() {
    context.startup.settingsFile = "Velnora.ini";
    context.startup.osVersion = {5, 1, 2600, 2};
    fake.files.AddFolder(paths::kAppDataMaker);
    fake.files.AddFolder(paths::kInstallerInfoRoot);
    fake.files.AddFolder(paths::kPrograms);
    fake.files.AddFolder(paths::kWindows);
}

void SwitchMachine::InstallTidewatch(bool running) {
    fake.registry.SetText(RegRoot::LocalMachine, paths::kTidewatchKey, "Location",
                          paths::kTidewatchProgram);
    fake.registry.SetText(RegRoot::LocalMachine, paths::kTidewatchKey, "Version", "2.1");
    fake.files.AddFile(paths::kTidewatchProgram, "MZ tidewatch");
    fake.processes.AddProgram(paths::kTidewatchProgram,
                              fake::ProgramBehaviour::RunsFor(fake::ProgramBehaviour::kForever));
    if (running)
        fake.processes.AddRunningProcess(paths::kTidewatchProgram);
}

void SwitchMachine::InstallEnvironment(const EnvironmentPlan& plan) {
    auto& registry = fake.registry;
    auto& files = fake.files;
    const std::string& key = plan.keyName;
    const bool live = key == kGuid;
    const std::string location = Location(plan.tag);
    const std::string entry = paths::Entry(key);
    const std::string infoFolder = paths::InstallerInfo(key);

    registry.SetText(RegRoot::LocalMachine, entry, "", "entry " + plan.tag);
    registry.SetText(RegRoot::LocalMachine, entry, "ProductGuid", kGuid);
    registry.SetText(RegRoot::LocalMachine, entry, live ? "DisplayName" : "_DisplayName",
                     "Vantorix " + plan.tag);
    registry.SetText(RegRoot::LocalMachine, entry, "InstallLocation", location);
    registry.SetText(RegRoot::LocalMachine, entry, "LogFile", infoFolder + "\\setup.ilg");
    registry.SetText(RegRoot::LocalMachine, entry, "UninstallString",
                     "RunDll32 C:\\PROGRA~1\\COMMON~1\\engine\\Ctor.dll,LaunchSetup \"" +
                         infoFolder + "\\setup.exe\" -l0x9 -removeonly");
    registry.Set(
        RegRoot::LocalMachine, entry, "DisplayIcon",
        platform::StringValue(location + "\\VTX2.exe,0", platform::regtype::kExpandString));
    registry.SetDword(RegRoot::LocalMachine, entry, "TidewatchEnable",
                      plan.tidewatchEnabled ? 1 : 0);
    registry.SetDword(RegRoot::LocalMachine, entry, "EstimatedSize", 0x5000);
    registry.Set(RegRoot::LocalMachine, entry, "Setup Record", Bytes("record of " + plan.tag));

    files.AddFile(paths::TidewatchFolder(key) + "\\client.dat", "client data " + plan.tag);
    files.AddFile(paths::TidewatchFolder(key) + "\\logs\\update.log", "update log " + plan.tag);
    files.AddFile(infoFolder + "\\setup.exe", "setup of " + plan.tag);
    files.AddFile(infoFolder + "\\setup.ilg", "install log of " + plan.tag);
    files.AddFile(infoFolder + "\\Data\\layout.bin", "layout of " + plan.tag);

    const std::string startMenu = paths::StartMenu(key);
    platform::ShortcutData program;
    program.target = location + "\\VTX2.exe";
    fake.shell.AddShortcut(startMenu + "\\Vantorix " + plan.tag + "\\VTX2.lnk", program);
    platform::ShortcutData readme;
    readme.target = location + "\\Readme.txt";
    fake.shell.AddShortcut(startMenu + "\\Vantorix " + plan.tag + "\\Readme.lnk", readme);
    if (!live)
        files.SetAttributes(startMenu, platform::fileattr::kHidden);

    files.AddFile(paths::ToolRecord(key), "[Install Version]\r\nVTX=" + plan.version +
                                              "\r\n[Installation Record]\r\nStep1=Vantorix " +
                                              plan.tag + "\r\n");
    registry.SetText(RegRoot::LocalMachine, paths::TidewatchRegistration(key), "ClientInfo",
                     "client info of " + plan.tag);

    if (plan.association) {
        const std::string cls = paths::Association(key);
        registry.SetText(RegRoot::ClassesRoot, cls + "\\DefaultIcon", "",
                         location + "\\VTX2.exe,1");
        registry.SetText(RegRoot::ClassesRoot, cls + "\\shell\\open\\command", "",
                         "\"" + location + "\\VTX2.exe\" \"%1\"");
        registry.SetText(RegRoot::ClassesRoot, cls + "\\shell\\open\\command", "Owner",
                         "workspace of " + plan.tag);
    }

    fake.shell.AddVersionedProgram(location + "\\VTX2.exe", plan.version);
    files.AddFile(location + "\\ALL_REGISTERSERVER.bat", "@rem register " + plan.tag);
    files.AddFile(location + "\\ALL_UNREGISTERSERVER.bat", "@rem unregister " + plan.tag);
}

std::map<std::string, std::string> SwitchMachine::Files(const std::string& folder) const {
    std::map<std::string, std::string> found;
    for (const std::string& path : fake.files.ListTree(folder))
        if (path.back() != '\\')
            found[path] = fake.files.Content(folder + "\\" + path);
    return found;
}

std::map<std::string, RegValue> SwitchMachine::Values(RegRoot root, const std::string& key) const {
    std::map<std::string, RegValue> values;
    for (const std::string& name : fake.registry.ValueNames(root, key))
        values[name] = *fake.registry.Get(root, key, name);
    return values;
}

Material SwitchMachine::Capture(const EnvironmentPlan& plan) const {
    Material m;
    const std::string& key = plan.keyName;
    m.tag = plan.tag;
    m.location = Location(plan.tag);
    m.startKey = key;
    m.entry = Values(RegRoot::LocalMachine, paths::Entry(key));
    m.tidewatchFiles = Files(paths::TidewatchFolder(key));
    m.installerFiles = Files(paths::InstallerInfo(key));
    m.startMenuFiles = Files(paths::StartMenu(key));
    m.toolRecord = fake.files.Content(paths::ToolRecord(key));
    m.clientInfo =
        fake.registry.Get(RegRoot::LocalMachine, paths::TidewatchRegistration(key), "ClientInfo");
    m.iconValues = Values(RegRoot::ClassesRoot, paths::Association(key) + "\\DefaultIcon");
    m.commandValues =
        Values(RegRoot::ClassesRoot, paths::Association(key) + "\\shell\\open\\command");
    return m;
}

std::vector<std::string> SwitchMachine::Losses(const Material& m,
                                               const std::vector<std::string>& names) const {
    std::vector<std::string> losses;
    const auto lost = [&](const std::string& what) { losses.push_back(m.tag + ": " + what); };

    // The uninstall entry: complete under one of the names, display name as that name wants.
    std::vector<std::string> entryGaps;
    bool entryFound = false;
    for (const std::string& name : names) {
        const auto values = Values(RegRoot::LocalMachine, paths::Entry(name));
        const auto location = values.find("InstallLocation");
        if (location == values.end() || platform::ValueText(location->second) != m.location)
            continue;
        std::vector<std::string> gaps;
        for (const auto& [valueName, value] : m.entry) {
            std::string wanted = valueName;
            if (valueName == "DisplayName" || valueName == "_DisplayName")
                wanted = name == kGuid ? "DisplayName" : "_DisplayName";
            const auto found = values.find(wanted);
            if (found == values.end()) {
                gaps.push_back("no " + wanted + " in " + name);
                continue;
            }
            if (valueName == "TidewatchEnable")
                continue;  // rewritten by the Tidewatch stop
            const RegValue expected = Expected(value, valueName, m.startKey, name);
            if (!SameValue(found->second, expected))
                gaps.push_back(wanted + " in " + name + " is " + Describe(found->second) +
                               ", not " + Describe(expected));
        }
        if (gaps.empty())
            entryFound = true;
        entryGaps.insert(entryGaps.end(), gaps.begin(), gaps.end());
    }
    if (!entryFound) {
        lost("uninstall entry incomplete everywhere");
        for (const auto& gap : entryGaps)
            lost("  " + gap);
    }

    const auto findFiles = [&](const char* component,
                               const std::map<std::string, std::string>& wanted,
                               std::string (*folderOf)(const std::string&)) {
        for (const auto& [path, content] : wanted) {
            bool found = false;
            for (const std::string& name : names) {
                const std::string full = folderOf(name) + "\\" + path;
                if (fake.files.Exists(full) && !fake.files.IsFolder(full) &&
                    fake.files.Content(full) == content)
                    found = true;
            }
            if (!found)
                lost(std::string(component) + " file " + path);
        }
    };
    findFiles("Tidewatch", m.tidewatchFiles, paths::TidewatchFolder);
    findFiles("installer information", m.installerFiles, paths::InstallerInfo);
    findFiles("start menu", m.startMenuFiles, paths::StartMenu);

    bool recordFound = false;
    for (const std::string& name : names) {
        const std::string path = paths::ToolRecord(name);
        if (fake.files.Exists(path) && fake.files.Content(path) == m.toolRecord)
            recordFound = true;
    }
    if (!recordFound)
        lost("tool record");

    if (m.clientInfo) {
        bool found = false;
        for (const std::string& name : names) {
            const auto value = fake.registry.Get(RegRoot::LocalMachine,
                                                 paths::TidewatchRegistration(name), "ClientInfo");
            if (value && SameValue(*value, *m.clientInfo))
                found = true;
        }
        if (!found)
            lost("ClientInfo");
    }

    const auto findValues = [&](const char* component,
                                const std::map<std::string, RegValue>& wanted,
                                const std::string& subkey) {
        for (const auto& [valueName, value] : wanted) {
            bool found = false;
            for (const std::string& name : names) {
                const auto there = fake.registry.Get(RegRoot::ClassesRoot,
                                                     paths::Association(name) + subkey, valueName);
                if (there && SameValue(*there, value))
                    found = true;
            }
            if (!found)
                lost(std::string(component) + " value \"" + valueName + "\"");
        }
    };
    findValues("association icon", m.iconValues, "\\DefaultIcon");
    findValues("association command", m.commandValues, "\\shell\\open\\command");
    return losses;
}

std::vector<std::string> SwitchMachine::ListedLocations() {
    std::vector<std::string> locations;
    environments::EnumerateEnvironments(context);
    for (int row = 0; row < context.environments.Count(); ++row) {
        std::string location;
        environments::ReadEnvironmentValue(context, row, "InstallLocation", location);
        locations.push_back(location);
    }
    return locations;
}

std::string SwitchMachine::State() const {
    std::string state = fake.registry.Dump(RegRoot::LocalMachine, "SOFTWARE");
    for (const std::string& path : fake.files.ListTree("C:\\")) {
        // The settings file only counts the environments.
        if (path == "WINDOWS\\Velnora.ini")
            continue;
        const std::string full = "C:\\" + path;
        state += path + " attributes " + std::to_string(fake.files.Attributes(full));
        if (path.back() != '\\')
            state += " = " + fake.files.Content(full);
        state += "\n";
    }
    return state;
}

std::vector<std::string> SwitchMachine::NoticeTexts() const {
    std::vector<std::string> texts;
    for (const core::Notice& notice : notices)
        texts.push_back(notice.text);
    return texts;
}

std::vector<std::string> SwitchMachine::MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : fake.ui.MessageBoxes())
        texts.push_back(box.text);
    return texts;
}

int StepOfCall(const fake::Call& call) {
    const std::string& op = call.operation;
    const std::string& subject = call.subject;
    if (op == fake::op::kCreateKey || op == fake::op::kDeleteKey) {
        if (Contains(subject, "\\Uninstall\\"))
            return 1;
        if (subject.rfind("SOFTWARE\\Orvessa", 0) == 0)
            return 6;
        if (subject.rfind("VTX_Workspace", 0) == 0)
            return 7;
        return 0;
    }
    if (op == fake::op::kDeleteValue)
        return subject == "ClientInfo" ? 6 : 0;
    if (op == fake::op::kShellExecuteEx)
        return environments::UpperCase(subject).find(".BAT") != std::string::npos ? 8 : 0;
    const bool fileChange = op == fake::op::kMoveFile || op == fake::op::kCopyFile ||
                            op == fake::op::kDeleteFile || op == fake::op::kCreateDirectory ||
                            op == fake::op::kRemoveDirectory || op == fake::op::kWriteFile ||
                            op == fake::op::kShellMoveFolder;
    if (!fileChange)
        return 0;
    if (Contains(subject, paths::kAppDataMaker))
        return 2;
    if (Contains(subject, paths::kInstallerInfoRoot))
        return 3;
    if (Contains(subject, paths::kPrograms + "\\Orvessa"))
        return 4;
    if (Contains(subject, "Vtx2Inst.ini"))
        return 5;
    return 0;
}

std::vector<int> StepsTouched(const std::vector<fake::Call>& log, std::size_t from) {
    std::vector<int> steps;
    for (std::size_t i = from; i < log.size(); ++i) {
        const int step = StepOfCall(log[i]);
        if (step != 0 && (steps.empty() || steps.back() != step))
            steps.push_back(step);
    }
    return steps;
}

}  // namespace velnora::testing

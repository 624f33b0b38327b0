#include "fake/fake_platform.h"

namespace velnora::fake {

FakePlatform::FakePlatform()
    : files(faults),
      registry(faults),
      profile(files, faults,
              [this] { return shell.SpecialFolder(platform::csidl::kWindows).value_or(""); }),
      processes(clock, faults),
      shell(files, processes, faults),
      session(faults),
      ui(clock, processes, faults),
      platform_{profile, registry, files, processes, shell, session, ui, console} {
    using platform::RegRoot;
    namespace csidl = platform::csidl;

    for (const char* folder : {machine::kSystemFolder, machine::kProgramFiles,
                               machine::kCommonStartup, machine::kCommonAppData, machine::kTemp})
        files.AddFolder(folder);
    shell.AddVersionedProgram(machine::kProgramPath, "1.0.0.1");

    shell.SetSpecialFolder(csidl::kCommonPrograms, machine::kCommonPrograms);
    shell.SetSpecialFolder(csidl::kCommonStartup, machine::kCommonStartup);
    shell.SetSpecialFolder(csidl::kCommonAppData, machine::kCommonAppData);
    shell.SetSpecialFolder(csidl::kWindows, machine::kWindowsFolder);
    shell.SetSpecialFolder(csidl::kProgramFiles, machine::kProgramFiles);

    const std::string currentVersion = machine::kCurrentVersionKey;
    registry.SetText(RegRoot::LocalMachine, currentVersion, "ProgramFilesDir",
                     machine::kProgramFiles);
    registry.SetText(RegRoot::LocalMachine, currentVersion, "CommonFilesDir",
                     std::string(machine::kProgramFiles) + "\\Common Files");
    for (const char* sub : {"\\Run", "\\RunOnce", "\\Uninstall"})
        registry.AddKey(RegRoot::LocalMachine, currentVersion + sub);
    registry.SetText(RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                     "SystemRoot", machine::kWindowsFolder);
    registry.AddKey(RegRoot::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Session Manager");

    session.SetProgramPath(machine::kProgramPath);
    session.SetCommandLine(std::string("\"") + machine::kProgramPath + "\"");
    session.SetEnvironmentVariable("TEMP", std::string(machine::kTemp));
    session.SetEnvironmentVariable("SystemRoot", std::string(machine::kWindowsFolder));

    ui.AttachDialogHost(&dialogs);
}

}  // namespace velnora::fake

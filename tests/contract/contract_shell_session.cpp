// Shell and session services: special folders, shortcuts, execute, versions, GUIDs, and what
// the program learns about itself and the machine.
#include <algorithm>
#include <cctype>
#include <set>

#include "contract_fixture.h"

namespace velnora::contract {
namespace {

using platform::Handle;
namespace error = platform::error;
namespace csidl = platform::csidl;

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           std::equal(suffix.rbegin(), suffix.rend(), text.rbegin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

TEST_P(PlatformContract, SpecialFoldersExistAndHaveNoTrailingBackslash) {
    for (int id : {csidl::kCommonPrograms, csidl::kCommonStartup, csidl::kCommonAppData,
                   csidl::kWindows, csidl::kProgramFiles}) {
        std::string path;
        ASSERT_TRUE(P().shell.GetSpecialFolderPath(id | csidl::kFlagCreate, path)) << id;
        ASSERT_FALSE(path.empty()) << id;
        EXPECT_NE(path.back(), '\\') << path;
        EXPECT_TRUE(Files().PathIsDirectory(path)) << path;
        std::string again;
        EXPECT_TRUE(P().shell.GetSpecialFolderPath(id, again));
        EXPECT_EQ(again, path);
    }
}

TEST_P(PlatformContract, AShortcutKeepsItsTargetAndArguments) {
    MakeFile(Scratch("Tidewatch.exe"));
    platform::ShortcutData data;
    data.target = Scratch("Tidewatch.exe");
    data.arguments = "-autorun";
    data.workingFolder = Put().ScratchFolder();
    data.description = "Tidewatch";
    const std::string link = Scratch("Tidewatch.lnk");
    ASSERT_EQ(P().shell.CreateShortcut(link, data), platform::kHrOk);
    EXPECT_TRUE(Files().PathFileExists(link));

    std::string target, arguments;
    ASSERT_EQ(P().shell.ReadShortcut(link, target, arguments), platform::kHrOk);
    EXPECT_TRUE(EndsWithNoCase(target, "\\Tidewatch.exe")) << target;
    EXPECT_EQ(arguments, "-autorun");
}

TEST_P(PlatformContract, ReadingSomethingThatIsNoShortcutFails) {
    MakeFile(Scratch("plain.lnk"), "not a shortcut");
    std::string target, arguments;
    EXPECT_LT(P().shell.ReadShortcut(Scratch("missing.lnk"), target, arguments), 0);
    EXPECT_LT(P().shell.ReadShortcut(Scratch("plain.lnk"), target, arguments), 0);
}

TEST_P(PlatformContract, ShellExecuteKeepsTheProcessForTheCallerToWaitFor) {
    platform::ExecuteRequest request;
    request.verb = "open";
    request.file = Put().ChildProgram();
    request.parameters = "100 5";
    request.showCommand = platform::showcmd::kHide;
    request.mask = platform::seemask::kNoCloseProcess | platform::seemask::kFlagNoUi;
    Handle process = platform::kNoHandle;
    ASSERT_EQ(P().shell.ShellExecuteEx(request, process), error::kSuccess);
    ASSERT_NE(process, platform::kNoHandle);
    EXPECT_EQ(Procs().WaitForProcess(process, 20000), platform::kWaitObject0);
    std::uint32_t code = 0;
    ASSERT_EQ(Procs().GetExitCode(process, code), error::kSuccess);
    EXPECT_EQ(code, 5u);
    Procs().CloseHandle(process);
}

TEST_P(PlatformContract, ShellExecuteOfAShortcutStartsItsTarget) {
    platform::ShortcutData data;
    data.target = Put().ChildProgram();
    data.arguments = "20000 0";
    const std::string link = Scratch("child.lnk");
    ASSERT_EQ(P().shell.CreateShortcut(link, data), platform::kHrOk);
    ASSERT_EQ(P().shell.ShellExecute(link, platform::showcmd::kMinimized), error::kSuccess);

    // The shell starts the target on its own; find it, then end it.
    const std::string child = Put().ChildProgram().substr(Put().ChildProgram().rfind('\\') + 1);
    std::uint32_t found = 0;
    for (int attempt = 0; attempt < 100 && found == 0; ++attempt) {
        const Handle snapshot = Procs().CreateSnapshot(platform::toolhelp::kSnapProcess, 0);
        platform::ProcessEntry entry;
        for (bool more = Procs().ProcessFirst(snapshot, entry); more && found == 0;
             more = Procs().ProcessNext(snapshot, entry))
            if (EndsWithNoCase(entry.exeFile, child))
                found = entry.processId;
        Procs().CloseHandle(snapshot);
        if (found == 0)
            Procs().Sleep(50);
    }
    ASSERT_NE(found, 0u) << child << " did not start";
    Handle process = platform::kNoHandle;
    ASSERT_EQ(Procs().OpenProcessAllAccess(found, process), error::kSuccess);
    EXPECT_EQ(Procs().TerminateProcess(process, 0), error::kSuccess);
    Procs().CloseHandle(process);
}

TEST_P(PlatformContract, ShellExecuteOfAMissingFileFails) {
    platform::ExecuteRequest request;
    request.verb = "open";
    request.file = Scratch("missing.bat");
    request.mask = platform::seemask::kFlagNoUi;
    Handle process = platform::kNoHandle;
    EXPECT_NE(P().shell.ShellExecuteEx(request, process), error::kSuccess);
}

TEST_P(PlatformContract, TheShellMovesAFolderWithItsContent) {
    MakeFolder(Scratch("Orvessa"));
    MakeFolder(Scratch("Orvessa\\Tools"));
    MakeFile(Scratch("Orvessa\\Tools\\a.lnk"), "a");
    EXPECT_EQ(P().shell.ShellMoveFolder(Scratch("Orvessa"), Scratch("Orvessa{P}")), 0);
    EXPECT_FALSE(Files().PathFileExists(Scratch("Orvessa")));
    EXPECT_EQ(ReadText(Scratch("Orvessa{P}\\Tools\\a.lnk")), "a");
}

TEST_P(PlatformContract, TheProductVersionComesFromTheVersionResource) {
    const auto versioned = Put().VersionedProgram();
    if (!versioned)
        GTEST_SKIP() << "no program file with a version resource here (VELNORA_VERSIONED_EXE)";
    EXPECT_EQ(P().shell.ProductVersion(versioned->first), versioned->second);
    MakeFile(Scratch("plain.txt"), "no version resource");
    EXPECT_EQ(P().shell.ProductVersion(Scratch("plain.txt")), std::nullopt);
    EXPECT_EQ(P().shell.ProductVersion(Scratch("missing.exe")), std::nullopt);
}

TEST_P(PlatformContract, EveryGuidIsNewAndNotZero) {
    std::set<std::vector<std::uint32_t>> seen;
    for (int i = 0; i < 3; ++i) {
        platform::Guid guid;
        ASSERT_TRUE(P().shell.CreateGuid(guid));
        EXPECT_FALSE(guid.IsZero());
        std::vector<std::uint32_t> fields{guid.data1, guid.data2, guid.data3};
        fields.insert(fields.end(), guid.data4.begin(), guid.data4.end());
        EXPECT_TRUE(seen.insert(fields).second);
    }
}

TEST_P(PlatformContract, TheProgramKnowsItsPathAndCommandLine) {
    const std::string path = P().session.ProgramPath();
    EXPECT_TRUE(EndsWithNoCase(path, ".exe")) << path;
    EXPECT_TRUE(Files().PathFileExists(path)) << path;
    EXPECT_FALSE(P().session.CommandLine().empty());
}

TEST_P(PlatformContract, TheVersionIsOfTheNtFamily) {
    platform::OsVersion version;
    ASSERT_TRUE(P().session.GetVersion(version));
    EXPECT_EQ(version.platformId, 2u);
    EXPECT_GE(version.major, 5u);
    const std::uint32_t packed = P().session.GetVersionNumber();
    EXPECT_EQ(packed & 0xFF, version.major);
    EXPECT_EQ((packed >> 8) & 0xFF, version.minor);
    EXPECT_EQ(packed & 0x80000000u, 0u);
}

TEST_P(PlatformContract, TheSessionGivesTempLocaleAndDrives) {
    const auto temp = P().session.GetEnvironmentVariable("TEMP");
    ASSERT_TRUE(temp.has_value());
    EXPECT_TRUE(Files().PathIsDirectory(*temp)) << *temp;
    EXPECT_EQ(P().session.GetEnvironmentVariable("VELNORA_CONTRACT_NEVER_SET"), std::nullopt);
    EXPECT_FALSE(P().session.SystemLocaleEnglishCountry().empty());
    std::string target;
    EXPECT_TRUE(P().session.QueryDosDevice("C:", target));
    EXPECT_FALSE(target.empty());
}

TEST_P(PlatformContract, TheShutdownServicesAnswer) {
    const auto privilege = P().session.EnableShutdownPrivilege();
    EXPECT_TRUE(privilege == error::kSuccess || privilege == error::kNotAllAssigned) << privilege;
    // With no shutdown under way there is nothing to cancel, but the function is there.
    EXPECT_TRUE(P().session.AbortSystemShutdown().has_value());
}

}  // namespace
}  // namespace velnora::contract

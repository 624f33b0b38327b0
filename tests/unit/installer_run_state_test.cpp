#include "installer/run_state.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "installer_fixture.h"

namespace velnora::installer {
namespace {

using testing::InstallerFixture;
using testing::kAutorunIni;
using testing::kStateFile;

constexpr char kNotRecorded[] =
    "Orvessa Installation Application is not able to record the current installation "
    "status.\nPlease do not restart computer before all installers are executed.";

class RunState : public InstallerFixture {
  protected:
    std::optional<std::string> State(const std::string& key) {
        return IniValue(kStateFile, "General", key);
    }
    std::optional<std::string> Autorun(const std::string& key) {
        return IniValue(kAutorunIni, "General", key);
    }
    void UnsetTemp() { fake.session.SetEnvironmentVariable("TEMP", std::nullopt); }
    // The media is read-only: autorun.ini is there but cannot be written.
    void ReadOnlyMedia(const std::string& content = "[Tools]\nA=a.exe\n") {
        fake.files.AddFile(kAutorunIni, content, platform::fileattr::kReadOnly);
    }
    std::string Read(const std::string& key) {
        std::string value;
        ReadRunState(context, "General", key, value);
        return value;
    }
};

TEST_F(RunState, ReadPrefersAutorunIniOverTheStateFile) {
    fake.files.AddFile(kAutorunIni, "[General]\nContinue=3\n");
    fake.files.AddFile(kStateFile, "[General]\nContinue=1\nPrev=C:\\Media\\a.exe\n");

    std::string value;
    EXPECT_EQ(ReadRunState(context, "General", "Continue", value), 1u);
    EXPECT_EQ(value, "3");
    EXPECT_EQ(ReadRunState(context, "General", "Prev", value), 14u);
    EXPECT_EQ(value, "C:\\Media\\a.exe");
    EXPECT_EQ(ReadRunState(context, "General", "Missing", value), 0u);
    EXPECT_EQ(value, "");
}

TEST_F(RunState, ReadWithoutTempUsesAutorunIniOnly) {
    fake.files.AddFile(kStateFile, "[General]\nContinue=1\n");
    UnsetTemp();
    EXPECT_EQ(Read("Continue"), "");
}

TEST_F(RunState, ReadCutsTheValueTo511Characters) {
    fake.files.AddFile(kStateFile, "[General]\nPrev=" + std::string(700, 'p') + "\n");
    std::string value;
    EXPECT_EQ(ReadRunState(context, "General", "Prev", value), 511u);
    EXPECT_EQ(value, std::string(511, 'p'));
}

TEST_F(RunState, WriteGoesToTheStateFileInTemp) {
    fake.files.AddFile(kAutorunIni, "[Tools]\nA=a.exe\n");
    EXPECT_TRUE(WriteRunState(context, "General", "Continue", "2", notices));
    EXPECT_EQ(State("Continue"), "2");
    EXPECT_EQ(Autorun("Continue"), std::nullopt);

    EXPECT_TRUE(WriteRunState(context, "General", "Continue", std::nullopt, notices));
    EXPECT_EQ(State("Continue"), std::nullopt);
    EXPECT_TRUE(fake.files.Exists(kStateFile));
    EXPECT_TRUE(Said().empty());
}

TEST_F(RunState, WriteFallsBackToAutorunIni) {
    fake.files.AddFile(kAutorunIni, "[Tools]\nA=a.exe\n");
    fake.faults.FailAt(fake::op::kWriteString, 1, platform::error::kAccessDenied);
    EXPECT_TRUE(WriteRunState(context, "General", "Continue", "4", notices));
    EXPECT_EQ(Autorun("Continue"), "4");
    EXPECT_EQ(State("Continue"), std::nullopt);

    UnsetTemp();
    EXPECT_TRUE(WriteRunState(context, "General", "Prev", "x.exe", notices));
    EXPECT_EQ(Autorun("Prev"), "x.exe");
    EXPECT_TRUE(Said().empty());
}

TEST_F(RunState, EveryWriteThatFailsTwiceSaysSo) {
    UnsetTemp();
    ReadOnlyMedia();
    EXPECT_FALSE(WriteRunState(context, "General", "Continue", "1", notices));
    EXPECT_FALSE(WriteRunState(context, "General", "Prev", "a.exe", notices));
    EXPECT_FALSE(WriteRunState(context, "General", "Prev", std::nullopt, notices));

    ASSERT_EQ(Said().size(), 3u);
    for (const auto& box : Said()) {
        EXPECT_EQ(box.text, kNotRecorded);
        EXPECT_EQ(box.caption, core::NoticeCaption::kProgramName);
        EXPECT_EQ(box.style, platform::mb::kOk);
        EXPECT_FALSE(box.overPage);
    }
}

TEST_F(RunState, NotRecordedTextIsTheSameInJapanese) {
    context.texts = core::TextSet(true);
    UnsetTemp();
    ReadOnlyMedia();
    WriteRunState(context, "General", "Continue", "1", notices);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{kNotRecorded});
}

// The twin cannot be started without a token: the logon starts the install manager beside it.
TEST_F(RunState, ResumePointAndLogonValueNameTheInstallManager) {
    for (const char* program : {"Velnora", "VelnoraAdm"}) {
        SCOPED_TRACE(program);
        context.startup.programBaseName = program;
        RecordResumePoint(context, 5, notices);
        EXPECT_EQ(State("Continue"), "5");
        EXPECT_EQ(RunValue(), "\"C:\\Media\\Velnora.exe\"");
    }
}

// A program without administrator rights records the logon value for its user; the end of the
// run takes it from wherever it is and leaves every other value of both Run keys.
TEST_F(RunState, WithoutRightsTheLogonValueIsTheUsersAndGoesAtTheEnd) {
    using platform::RegRoot;
    for (const RegRoot root : {RegRoot::LocalMachine, RegRoot::CurrentUser})
        fake.registry.SetText(root, testing::kRunKey, "Other", "other.exe");
    fake.registry.DenyWrite(RegRoot::LocalMachine, testing::kRunKey);

    EXPECT_TRUE(RegisterRunAtLogon(context, "Autorun"));
    EXPECT_EQ(RunValue(), std::nullopt);
    EXPECT_EQ(UserRunValue(), "\"C:\\Media\\Velnora.exe\"");

    FinishRunState(context, 1, 1, notices);
    EXPECT_EQ(UserRunValue(), std::nullopt);
    EXPECT_TRUE(UnregisterRunAtLogon(context.platform.registry, "Autorun"));
    for (const RegRoot root : {RegRoot::LocalMachine, RegRoot::CurrentUser})
        EXPECT_EQ(fake.registry.ValueNames(root, testing::kRunKey),
                  std::vector<std::string>{"Other"});
    EXPECT_TRUE(Said().empty());
    EXPECT_EQ(fake.registry.OpenKeyCount(), 0u);
}

TEST_F(RunState, FinishBeforeTheLastEntryChangesNothing) {
    RecordResumePoint(context, 2, notices);
    WriteRunState(context, "General", "Prev", "C:\\Media\\a.exe", notices);
    const std::string before = fake.files.Content(kStateFile);

    FinishRunState(context, 2, 3, notices);
    EXPECT_EQ(fake.files.Content(kStateFile), before);
    EXPECT_TRUE(RunValue().has_value());
}

TEST_F(RunState, FinishAtTheLastEntryClearsEveryKeyOfTheRun) {
    RecordResumePoint(context, 3, notices);
    WriteRunState(context, "General", "Prev", "C:\\Media\\c.exe", notices);
    for (int i = 0; i < 4; ++i)
        WriteRunState(context, "General", "User_Selection_Install_0" + std::to_string(i), "1",
                      notices);
    WriteRunState(context, "General", "User_Selection_Install_04", "1",
                  notices);  // beyond the count
    WriteRunState(context, "General", "Other", "kept", notices);

    FinishRunState(context, 4, 4, notices);
    EXPECT_EQ(State("Continue"), std::nullopt);
    EXPECT_EQ(State("Prev"), std::nullopt);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(State("User_Selection_Install_0" + std::to_string(i)), std::nullopt) << i;
    EXPECT_EQ(State("User_Selection_Install_04"), "1");
    EXPECT_EQ(State("Other"), "kept");
    EXPECT_EQ(RunValue(), std::nullopt);
    // The state file itself stays.
    EXPECT_TRUE(fake.files.Exists(kStateFile));
}

TEST_F(RunState, FinishWithNoEntriesClearsContinueAndPrev) {
    RecordResumePoint(context, 0, notices);
    WriteRunState(context, "General", "Prev", "C:\\Media\\c.exe", notices);
    WriteRunState(context, "General", "User_Selection_Install_00", "1", notices);

    FinishRunState(context, 0, 0, notices);
    EXPECT_EQ(State("Continue"), std::nullopt);
    EXPECT_EQ(State("Prev"), std::nullopt);
    EXPECT_EQ(State("User_Selection_Install_00"), "1");
    EXPECT_EQ(RunValue(), std::nullopt);
}

// A run whose state had to go into autorun.ini (TEMP unwritable) leaves nothing there once it
// is finished, so the next start is an ordinary one; what the media brought stays.
TEST_F(RunState, FinishClearsWhatTheRunWroteIntoAutorunIni) {
    const struct {
        const char* name;
        bool tempWritable;
    } cases[] = {{"TempUnwritable", false}, {"TempWritableAgainAtTheEnd", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake.files.AddFile(kAutorunIni, "[General]\nOther=kept\n[Tools]\nA=a.exe\nB=b.exe\n");
        // Every write to the state file in TEMP fails while the run goes on.
        fake.files.AddFile(kStateFile, "", platform::fileattr::kReadOnly);

        RecordResumePoint(context, 1, notices);
        WriteRunState(context, "General", "Prev", "C:\\Media\\a.exe", notices);
        WriteRunState(context, "General", "User_Selection_Install_00", "1", notices);
        WriteRunState(context, "General", "User_Selection_Install_01", "0", notices);
        ASSERT_EQ(Read("Continue"), "1");
        if (c.tempWritable)
            fake.files.SetAttributes(kStateFile, platform::fileattr::kNormal);

        FinishRunState(context, 2, 2, notices);

        for (const char* key : {"Continue", "Prev", "User_Selection_Install_00",
                                "User_Selection_Install_01", "RunStateWritten"})
            EXPECT_EQ(Autorun(key), std::nullopt) << key;
        EXPECT_EQ(Autorun("Other"), "kept");
        EXPECT_EQ(Read("Continue"), "");
    }
}

TEST_F(RunState, FinishLeavesTheMediasOwnContinue) {
    fake.files.AddFile(kAutorunIni, "[General]\nContinue=3\n[Tools]\nA=a.exe\n");
    RecordResumePoint(context, 1, notices);
    FinishRunState(context, 1, 1, notices);
    EXPECT_EQ(State("Continue"), std::nullopt);
    EXPECT_EQ(Autorun("Continue"), "3");
}

TEST_F(RunState, FinishOnReadOnlyMediaSaysSoOncePerKey) {
    UnsetTemp();
    ReadOnlyMedia();
    FinishRunState(context, 3, 3, notices);
    // Continue, Prev, Runner and three ticks.
    EXPECT_EQ(MessageTexts(), std::vector<std::string>(6, kNotRecorded));
}

TEST_F(RunState, FinishRemovesTheProgramsIniInTemp) {
    const std::string leftover = "C:\\TEMP\\_Velnora.ini";
    fake.files.AddFile(leftover, "[General]\n");
    RecordResumePoint(context, 0, notices);
    FinishRunState(context, 1, 1, notices);
    EXPECT_FALSE(fake.files.Exists(leftover));
    EXPECT_TRUE(fake.files.Exists(kStateFile));
}

TEST_F(RunState, FinishLeavesTheProgramsIniThatCannotBeOpened) {
    const std::string leftover = "C:\\TEMP\\_Velnora.ini";
    fake.files.AddFile(leftover, "[General]\n");
    fake.files.HoldOpen(leftover);
    FinishRunState(context, 1, 1, notices);
    EXPECT_TRUE(fake.files.Exists(leftover));

    // Without TEMP nothing is looked for.
    fake.files.Release(leftover);
    UnsetTemp();
    FinishRunState(context, 1, 1, notices);
    EXPECT_TRUE(fake.files.Exists(leftover));
}

TEST_F(RunState, TempTooLongForItsBufferCountsAsUnset) {
    fake.files.AddFile(kAutorunIni, "[Tools]\nA=a.exe\n");
    fake.session.SetEnvironmentVariable("TEMP", "C:\\" + std::string(257, 't'));
    EXPECT_TRUE(WriteRunState(context, "General", "Continue", "1", notices));
    EXPECT_EQ(Autorun("Continue"), "1");
}

// TEMP fits a buffer of 260 characters with its zero, whatever bytes they take.
TEST_F(RunState, TempFitsItsBufferInCharacters) {
    const auto repeat = [](const std::string& text, int times) {
        std::string result = "C:\\";
        for (int i = 0; i < times; ++i)
            result += text;
        return result;
    };
    const struct {
        std::string temp;
        bool kept;
    } cases[] = {
        {repeat("t", 256), true},   {repeat("t", 257), false}, {repeat("日", 256), true},
        {repeat("日", 257), false}, {repeat("𠀋", 128), true}, {repeat("𠀋", 128) + "t", false},
    };
    for (const auto& c : cases) {
        fake.session.SetEnvironmentVariable("TEMP", c.temp);
        EXPECT_EQ(TempFolder(context.platform.session),
                  c.kept ? std::optional(c.temp) : std::nullopt)
            << c.temp;
    }
}

struct DriveCase {
    const char* name;
    std::string programFolder;
    std::optional<std::string> substFolder;  // SUBST target of the drive
    std::optional<std::string> device;       // any other device target
    std::string command;
};

class RunStateLogonCommand : public InstallerFixture,
                             public ::testing::WithParamInterface<DriveCase> {};

TEST_P(RunStateLogonCommand, ResolvesSubstAndQuotes) {
    const DriveCase& c = GetParam();
    context.startup.programFolder = c.programFolder;
    const std::string drive = c.programFolder.substr(0, 2);
    if (c.substFolder)
        fake.session.SetSubst(drive, *c.substFolder);
    if (c.device)
        fake.session.SetDevice(drive, *c.device);

    EXPECT_TRUE(RegisterRunAtLogon(context, "Autorun"));
    EXPECT_EQ(RunValue(), c.command);
}

INSTANTIATE_TEST_SUITE_P(
    RunStateDrives, RunStateLogonCommand,
    ::testing::Values(
        DriveCase{"LocalDisk", "C:\\Media", std::nullopt, "\\Device\\HarddiskVolume1",
                  "\"C:\\Media\\Velnora.exe\""},
        DriveCase{"NoTarget", "D:\\Kit", std::nullopt, std::nullopt, "\"D:\\Kit\\Velnora.exe\""},
        DriveCase{"Subst", "X:\\Disk1", "C:\\Media", std::nullopt,
                  "\"C:\\Media\\Disk1\\Velnora.exe\""},
        DriveCase{"SubstRoot", "X:", "C:\\Media", std::nullopt, "\"C:\\Media\\Velnora.exe\""},
        DriveCase{"SubstWithBlanks", "X:\\Kit", "C:\\Program Files\\Media", std::nullopt,
                  "\"C:\\Program Files\\Media\\Kit\\Velnora.exe\""},
        DriveCase{"DeviceWithDriveButNoPrefix", "Y:\\Kit", std::nullopt, "D:\\Share",
                  "\"D:\\Share\\Kit\\Velnora.exe\""},
        DriveCase{"NetworkDrive", "N:\\Media", std::nullopt,
                  "\\Device\\LanmanRedirector\\;N:0\\server\\share", "\"N:\\Media\\Velnora.exe\""},
        DriveCase{"SubstOfNetworkPath", "U:\\Media", std::nullopt, "\\??\\UNC\\server\\share",
                  "\"U:\\Media\\Velnora.exe\""},
        // Unquoted, Windows would try C:\Program.exe first.
        DriveCase{"FolderWithBlanks", "C:\\Program Files\\Orvessa Kit", std::nullopt, std::nullopt,
                  "\"C:\\Program Files\\Orvessa Kit\\Velnora.exe\""}),
    [](const ::testing::TestParamInfo<DriveCase>& info) { return std::string(info.param.name); });

TEST_F(RunState, SubstResolutionKeepsAnythingElse) {
    fake.session.SetDevice("Q:", std::string("\\??\\"));
    EXPECT_EQ(ResolveSubstDrive(fake.session, "Q:\\a"), "Q:\\a");
    EXPECT_EQ(ResolveSubstDrive(fake.session, "\\\\server\\share"), "\\\\server\\share");
    EXPECT_EQ(ResolveSubstDrive(fake.session, ""), "");
}

TEST_F(RunState, LogonValueUnregisters) {
    RegisterRunAtLogon(context, "Autorun");
    EXPECT_TRUE(UnregisterRunAtLogon(context.platform.registry, "Autorun"));
    EXPECT_EQ(RunValue(), std::nullopt);
    // Already gone is as good as deleted.
    EXPECT_TRUE(UnregisterRunAtLogon(context.platform.registry, "Autorun"));
    EXPECT_EQ(fake.registry.OpenKeyCount(), 0u);
}

TEST_F(RunState, LogonValueDeleteFailureIsReported) {
    RegisterRunAtLogon(context, "Autorun");
    fake.faults.FailAlways(fake::op::kDeleteValue, platform::error::kAccessDenied);
    EXPECT_FALSE(UnregisterRunAtLogon(context.platform.registry, "Autorun"));
    EXPECT_TRUE(RunValue().has_value());
    EXPECT_EQ(fake.registry.OpenKeyCount(), 0u);
}

// A value that could not be looked at may still be there.
TEST_F(RunState, LogonValueRemovalFailsWhenARunKeyCannotBeOpened) {
    fake.faults.FailAlways(fake::op::kOpenKeyDefault, platform::error::kAccessDenied);
    EXPECT_FALSE(UnregisterRunAtLogon(context.platform.registry, "Autorun"));
    EXPECT_TRUE(Said().empty());
}

TEST_F(RunState, LogonValueSetFailureClosesTheKey) {
    fake.faults.FailAlways(fake::op::kSetValue, platform::error::kAccessDenied);
    EXPECT_FALSE(RegisterRunAtLogon(context, "Autorun"));
    EXPECT_EQ(fake.registry.OpenKeyCount(), 0u);
}

}  // namespace
}  // namespace velnora::installer

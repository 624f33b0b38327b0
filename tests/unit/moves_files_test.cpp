// The file moves: Tidewatch's data folder (step 2), the installer information folder (step 3),
// the start-menu folder with the old layout's shortcut gathering (step 4) and the tool record
// (step 5).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "environments/component_moves.h"
#include "switch_machine.h"

namespace velnora::testing {
namespace {

using namespace environments;
namespace fileattr = platform::fileattr;

const std::string kParked = ParkedKey(1);

class MovesFixture : public ::testing::Test {
  protected:
    std::vector<std::string> Tree(const std::string& folder) const {
        return machine.fake.files.ListTree(folder);
    }
    bool Exists(const std::string& path) const { return machine.fake.files.Exists(path); }
    std::vector<std::string> Messages() const { return machine.NoticeTexts(); }

    SwitchMachine machine;
};

// --- Tidewatch data folder -----------------------------------------------------------------

using MovesTidewatchFolder = MovesFixture;

TEST_F(MovesTidewatchFolder, RenamesToTheParkedNameAndBack) {
    machine.fake.files.AddFile(paths::TidewatchFolder(kGuid) + "\\a.dat", "a");
    ASSERT_TRUE(DeactivateTidewatchFolder(machine.context, kParked, machine.notices));
    EXPECT_FALSE(Exists(paths::TidewatchFolder(kGuid)));
    EXPECT_EQ(Tree(paths::TidewatchFolder(kParked)), std::vector<std::string>{"a.dat"});
    ASSERT_TRUE(ActivateTidewatchFolder(machine.context, kParked, machine.notices));
    EXPECT_EQ(Tree(paths::TidewatchFolder(kGuid)), std::vector<std::string>{"a.dat"});
}

TEST_F(MovesTidewatchFolder, WithoutTheMakersFolderBothAreCreated) {
    machine.fake.files.Remove(paths::kAppDataMaker);
    ASSERT_TRUE(DeactivateTidewatchFolder(machine.context, kParked, machine.notices));
    EXPECT_TRUE(machine.fake.files.IsFolder(paths::TidewatchFolder(kParked)));
}

TEST_F(MovesTidewatchFolder, MissingSourceLeavesAnEmptyTargetButNeverReplacesOne) {
    ASSERT_TRUE(DeactivateTidewatchFolder(machine.context, kParked, machine.notices));
    EXPECT_TRUE(Tree(paths::TidewatchFolder(kParked)).empty());
    machine.fake.files.Remove(paths::TidewatchFolder(kParked));
    machine.fake.files.AddFile(paths::TidewatchFolder(kGuid) + "\\other.dat", "x");
    EXPECT_FALSE(ActivateTidewatchFolder(machine.context, kParked, machine.notices));
    EXPECT_TRUE(Exists(paths::TidewatchFolder(kGuid) + "\\other.dat"));
}

TEST_F(MovesTidewatchFolder, StaleTargetIsReplaced) {
    machine.fake.files.AddFile(paths::TidewatchFolder(kParked) + "\\data.dat", "parked");
    machine.fake.files.AddFile(paths::TidewatchFolder(kGuid) + "\\stale.dat", "stale",
                               fileattr::kReadOnly);
    ASSERT_TRUE(ActivateTidewatchFolder(machine.context, kParked, machine.notices));
    EXPECT_EQ(Tree(paths::TidewatchFolder(kGuid)), std::vector<std::string>{"data.dat"});
}

TEST_F(MovesTidewatchFolder, LookUpThatFailsCreatesNothing) {
    machine.fake.files.AddFile(paths::TidewatchFolder(kGuid) + "\\a.dat", "a");
    // 1: the maker's folder, 2: the source.
    machine.fake.faults.FailAt(fake::op::kFindFirst, 2, platform::error::kAccessDenied);
    EXPECT_FALSE(DeactivateTidewatchFolder(machine.context, kParked, machine.notices));
    EXPECT_FALSE(Exists(paths::TidewatchFolder(kParked)));
}

// --- Installer information folder ----------------------------------------------------------

using MovesInstallerInfo = MovesFixture;

TEST_F(MovesInstallerInfo, MovesTheFolderAndReplacesAStaleTarget) {
    machine.fake.files.AddFile(paths::InstallerInfo(kGuid) + "\\setup.exe", "A");
    machine.fake.files.AddFile(paths::InstallerInfo(kParked) + "\\old.txt", "stale");
    ASSERT_TRUE(DeactivateInstallerInfoFolder(machine.context, kParked, machine.notices));
    EXPECT_EQ(Tree(paths::InstallerInfo(kParked)), std::vector<std::string>{"setup.exe"});
    EXPECT_FALSE(Exists(paths::InstallerInfo(kGuid)));
    EXPECT_TRUE(Messages().empty());
}

struct InfoMissingCase {
    const char* name;
    bool removeRoot;
    bool japanese;
    std::string message;
};

class MovesInstallerInfoMissing : public MovesFixture,
                                  public ::testing::WithParamInterface<InfoMissingCase> {};

TEST_P(MovesInstallerInfoMissing, TellsWhichFolderIsMissing) {
    const InfoMissingCase& c = GetParam();
    machine.context.texts = core::TextSet(c.japanese);
    if (c.removeRoot)
        machine.fake.files.Remove(paths::kInstallerInfoRoot);
    EXPECT_FALSE(ActivateInstallerInfoFolder(machine.context, kParked, machine.notices));
    EXPECT_EQ(Messages(), std::vector<std::string>{c.message});
    ASSERT_EQ(machine.notices.size(), 1u);
    EXPECT_EQ(core::CaptionText(machine.context, machine.notices[0].caption),
              c.japanese ? "エラー" : "Error");
    EXPECT_TRUE(machine.fake.ui.MessageBoxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    MovesFolders, MovesInstallerInfoMissing,
    ::testing::Values(
        InfoMissingCase{"Root", true, false,
                        "Can not found folder. [" + paths::kInstallerInfoRoot + "\\]"},
        InfoMissingCase{"Source", false, false,
                        "Can not found folder. [" + paths::InstallerInfo(kParked) + "]"},
        InfoMissingCase{"SourceJapanese", false, true,
                        "フォルダが見つかりません。[" + paths::InstallerInfo(kParked) + "]"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Start-menu folder ---------------------------------------------------------------------

class MovesStartMenu : public MovesFixture {
  protected:
    void Shortcut(const std::string& path, const std::string& target,
                  const std::string& arguments = "") {
        platform::ShortcutData data;
        data.target = target;
        data.arguments = arguments;
        machine.fake.shell.AddShortcut(path, data);
    }
};

TEST_F(MovesStartMenu, NewLayoutMovesTheWholeFolderAndHidesIt) {
    machine.context.active = {"Env4", 4080};
    Shortcut(paths::StartMenu(kGuid) + "\\Vantorix\\VTX2.lnk", "C:\\Env4\\VTX2.exe");
    Shortcut(paths::StartMenu(kGuid) + "\\Manual.lnk", "C:\\Docs\\manual.pdf");

    ASSERT_TRUE(DeactivateStartMenuFolder(machine.context, kParked, machine.notices));
    EXPECT_FALSE(Exists(paths::StartMenu(kGuid)));
    EXPECT_EQ(Tree(paths::StartMenu(kParked)),
              (std::vector<std::string>{"Manual.lnk", "Vantorix\\", "Vantorix\\VTX2.lnk"}));
    EXPECT_EQ(machine.fake.files.Attributes(paths::StartMenu(kParked)),
              fileattr::kDirectory | fileattr::kHidden);

    ASSERT_TRUE(ActivateStartMenuFolder(machine.context, kParked, machine.notices));
    EXPECT_EQ(machine.fake.files.Attributes(paths::StartMenu(kGuid)), fileattr::kDirectory);
    EXPECT_EQ(Tree(paths::StartMenu(kGuid)).size(), 3u);
}

TEST_F(MovesStartMenu, OldLayoutGathersTheEnvironmentsShortcutsKeepingTheirFolders) {
    machine.context.active = {"Env25", 2500};
    // The maker's folder holds one shortcut, which stays where it is.
    Shortcut(paths::StartMenu(kGuid) + "\\Tidewatch.lnk", "C:\\Orvessa\\Tidewatch.exe");
    Shortcut(paths::kPrograms + "\\Vantorix 2.5\\VTX2.lnk", "C:\\Env25\\VTX2.exe");
    Shortcut(paths::kPrograms + "\\Vantorix 2.5\\Tools\\Sim.lnk", "C:\\Sim\\sim.exe",
             "-env C:\\Env25");
    Shortcut(paths::kPrograms + "\\Vantorix 2.5\\Other.lnk", "C:\\Other\\other.exe");
    Shortcut(paths::kPrograms + "\\Orvessa Tools\\Env.lnk", "C:\\Env25\\tool.exe");
    machine.fake.files.AddFile(paths::kPrograms + "\\Vantorix 2.5\\notes.txt", "not a link");
    // Parked folders of earlier switches are left alone, whatever they hold.
    Shortcut(paths::StartMenu(ParkedKey(9)) + "\\Old.lnk", "C:\\Env25\\VTX2.exe");
    machine.fake.files.AddFolder(paths::kPrograms + "\\Empty\\Inner");

    ASSERT_TRUE(DeactivateStartMenuFolder(machine.context, kParked, machine.notices));

    EXPECT_EQ(Tree(paths::StartMenu(kParked)),
              (std::vector<std::string>{"Orvessa Tools\\", "Orvessa Tools\\Env.lnk",
                                        "Vantorix 2.5\\", "Vantorix 2.5\\Tools\\",
                                        "Vantorix 2.5\\Tools\\Sim.lnk", "Vantorix 2.5\\VTX2.lnk"}));
    EXPECT_EQ(machine.fake.files.Attributes(paths::StartMenu(kParked)),
              fileattr::kDirectory | fileattr::kHidden);
    EXPECT_TRUE(Exists(paths::StartMenu(kGuid) + "\\Tidewatch.lnk"));
    EXPECT_TRUE(Exists(paths::kPrograms + "\\Vantorix 2.5\\Other.lnk"));
    EXPECT_TRUE(Exists(paths::kPrograms + "\\Vantorix 2.5\\notes.txt"));
    EXPECT_TRUE(Exists(paths::StartMenu(ParkedKey(9)) + "\\Old.lnk"));
    // Empty folders went from the whole start menu.
    EXPECT_FALSE(Exists(paths::kPrograms + "\\Empty"));
    EXPECT_FALSE(Exists(paths::kPrograms + "\\Orvessa Tools"));
    EXPECT_FALSE(Exists(paths::kPrograms + "\\Vantorix 2.5\\Tools"));
}

TEST_F(MovesStartMenu, OldLayoutGatheringEntersDotNamedFoldersButNoLinks) {
    machine.context.active = {"Env25", 2500};
    Shortcut(paths::StartMenu(kGuid) + "\\Tidewatch.lnk", "C:\\Orvessa\\Tidewatch.exe");
    Shortcut(paths::kPrograms + "\\.Vantorix\\VTX2.lnk", "C:\\Env25\\VTX2.exe");
    // Behind a folder link lies another tree: what it holds stays there, and so does the link.
    Shortcut("C:\\Elsewhere\\Env.lnk", "C:\\Env25\\tool.exe");
    machine.fake.files.AddLink(paths::kPrograms + "\\Elsewhere", "C:\\Elsewhere");

    ASSERT_TRUE(DeactivateStartMenuFolder(machine.context, kParked, machine.notices));
    EXPECT_EQ(Tree(paths::StartMenu(kParked)),
              (std::vector<std::string>{".Vantorix\\", ".Vantorix\\VTX2.lnk"}));
    EXPECT_FALSE(Exists(paths::kPrograms + "\\.Vantorix"));
    EXPECT_EQ(Tree("C:\\Elsewhere"), std::vector<std::string>{"Env.lnk"});
    EXPECT_TRUE(Exists(paths::kPrograms + "\\Elsewhere"));
}

TEST_F(MovesStartMenu, OldVersionWithAFullFolderMovesItWhole) {
    machine.context.active = {"Env25", 2500};
    for (const char* name : {"a.lnk", "b.lnk", "c.lnk"})
        Shortcut(paths::StartMenu(kGuid) + "\\" + name, "C:\\Env25\\VTX2.exe");
    ASSERT_TRUE(DeactivateStartMenuFolder(machine.context, kParked, machine.notices));
    EXPECT_FALSE(Exists(paths::StartMenu(kGuid)));
    EXPECT_EQ(Tree(paths::StartMenu(kParked)).size(), 3u);
}

TEST_F(MovesStartMenu, GatheringNeedsTheActiveFolderName) {
    EXPECT_FALSE(
        MoveShortcutsOfEnvironment(machine.context, paths::kPrograms, paths::StartMenu(kParked)));
}

TEST_F(MovesStartMenu, WithoutLiveFolderAHiddenEmptyParkedOneIsMade) {
    ASSERT_TRUE(DeactivateStartMenuFolder(machine.context, kParked, machine.notices));
    EXPECT_EQ(machine.fake.files.Attributes(paths::StartMenu(kParked)),
              fileattr::kDirectory | fileattr::kHidden);
}

TEST_F(MovesStartMenu, ActivationWithoutParkedFolderFailsOverALiveOne) {
    machine.fake.files.AddFile(paths::StartMenu(kGuid) + "\\x.lnk", "x");
    EXPECT_FALSE(ActivateStartMenuFolder(machine.context, kParked, machine.notices));
    EXPECT_TRUE(Exists(paths::StartMenu(kGuid) + "\\x.lnk"));
    machine.fake.files.Remove(paths::StartMenu(kGuid));
    EXPECT_TRUE(ActivateStartMenuFolder(machine.context, kParked, machine.notices));
    EXPECT_TRUE(machine.fake.files.IsFolder(paths::StartMenu(kGuid)));
}

TEST_F(MovesStartMenu, MissingProgramsFolderIsReported) {
    machine.fake.shell.RemoveSpecialFolder(platform::csidl::kCommonPrograms);
    EXPECT_FALSE(DeactivateStartMenuFolder(machine.context, kParked, machine.notices));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Can not found folder. []"});
}

// How each program moves the folder.
struct StartMenuProgramCase {
    const char* name;
    bool elevatedTwin;
    std::uint32_t major, minor;
    int fileMoves;   // MoveFile calls per move
    int shellMoves;  // ShellMoveFolder calls per move
    int copies;      // CopyFile calls per move
};

class MovesStartMenuPrograms : public MovesStartMenu,
                               public ::testing::WithParamInterface<StartMenuProgramCase> {};

TEST_P(MovesStartMenuPrograms, MoveTheFolderTheirOwnWay) {
    const StartMenuProgramCase& c = GetParam();
    machine.context.startup.elevatedTwin = c.elevatedTwin;
    machine.context.startup.osVersion = {c.major, c.minor, 0, 2};
    Shortcut(paths::StartMenu(kGuid) + "\\Sub\\VTX2.lnk", "C:\\Env\\VTX2.exe");
    Shortcut(paths::StartMenu(kGuid) + "\\Readme.lnk", "C:\\Env\\Readme.txt");
    const auto tree = Tree(paths::StartMenu(kGuid));
    auto& faults = machine.fake.faults;

    ASSERT_TRUE(DeactivateStartMenuFolder(machine.context, kParked, machine.notices));
    EXPECT_EQ(Tree(paths::StartMenu(kParked)), tree);
    EXPECT_EQ(faults.Calls(fake::op::kMoveFile), c.fileMoves);
    EXPECT_EQ(faults.Calls(fake::op::kShellMoveFolder), c.shellMoves);
    EXPECT_EQ(faults.Calls(fake::op::kCopyFile), c.copies);
    EXPECT_TRUE(machine.fake.shell.ChangedFolders().empty());

    ASSERT_TRUE(ActivateStartMenuFolder(machine.context, kParked, machine.notices));
    EXPECT_EQ(Tree(paths::StartMenu(kGuid)), tree);
    EXPECT_EQ(faults.Calls(fake::op::kMoveFile), 2 * c.fileMoves);
    EXPECT_EQ(faults.Calls(fake::op::kShellMoveFolder), 2 * c.shellMoves);
    EXPECT_EQ(machine.fake.shell.ChangedFolders(), c.elevatedTwin
                                                       ? std::vector<std::string>{paths::kPrograms}
                                                       : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    MovesPrograms, MovesStartMenuPrograms,
    ::testing::Values(StartMenuProgramCase{"Velnora", false, 6, 0, 1, 0, 0},
                      StartMenuProgramCase{"VelnoraAdmOnVista", true, 6, 0, 0, 0, 2},
                      StartMenuProgramCase{"VelnoraAdmOnWindows7", true, 6, 1, 0, 1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MovesStartMenu, HalfMadeCopyIsRemovedAndTheSourceKept) {
    machine.context.startup.elevatedTwin = true;
    machine.context.startup.osVersion = {6, 0, 0, 2};
    Shortcut(paths::StartMenu(kGuid) + "\\a.lnk", "C:\\Env\\a.exe");
    Shortcut(paths::StartMenu(kGuid) + "\\b.lnk", "C:\\Env\\b.exe");
    machine.fake.faults.FailAt(fake::op::kCopyFile, 2, platform::error::kAccessDenied);

    EXPECT_FALSE(DeactivateStartMenuFolder(machine.context, kParked, machine.notices));
    EXPECT_FALSE(Exists(paths::StartMenu(kParked)));
    EXPECT_EQ(Tree(paths::StartMenu(kGuid)), (std::vector<std::string>{"a.lnk", "b.lnk"}));
}

// --- Tool record ---------------------------------------------------------------------------

using MovesToolRecord = MovesFixture;

TEST_F(MovesToolRecord, MovesTheRecordAndBack) {
    machine.fake.files.AddFile(paths::ToolRecord(kGuid), "[Install Version]\r\nVTX=4.08\r\n");
    ASSERT_TRUE(DeactivateToolRecordFile(machine.context, kParked, machine.notices));
    EXPECT_FALSE(Exists(paths::ToolRecord(kGuid)));
    EXPECT_EQ(machine.fake.files.Content(paths::ToolRecord(kParked)),
              "[Install Version]\r\nVTX=4.08\r\n");
    ASSERT_TRUE(ActivateToolRecordFile(machine.context, kParked, machine.notices));
    EXPECT_EQ(machine.fake.files.Content(paths::ToolRecord(kGuid)),
              "[Install Version]\r\nVTX=4.08\r\n");
    EXPECT_FALSE(Exists(paths::ToolRecord(kParked)));
}

TEST_F(MovesToolRecord, MissingRecordIsParkedEmptyAndComesBackEmpty) {
    ASSERT_TRUE(DeactivateToolRecordFile(machine.context, kParked, machine.notices));
    EXPECT_EQ(machine.fake.files.Content(paths::ToolRecord(kParked)), "");
    ASSERT_TRUE(ActivateToolRecordFile(machine.context, kParked, machine.notices));
    EXPECT_EQ(machine.fake.files.Content(paths::ToolRecord(kGuid)), "");
}

TEST_F(MovesToolRecord, LiveRecordWrittenMeanwhileGivesWayToTheParkedOne) {
    machine.fake.files.AddFile(paths::ToolRecord(kParked), "parked");
    machine.fake.files.AddFile(paths::ToolRecord(kGuid), "[UserInformation_Common]\r\n");
    ASSERT_TRUE(ActivateToolRecordFile(machine.context, kParked, machine.notices));
    EXPECT_EQ(machine.fake.files.Content(paths::ToolRecord(kGuid)), "parked");
}

TEST_F(MovesToolRecord, FailedCopyKeepsTheTargetItWouldHaveReplaced) {
    machine.fake.files.AddFile(paths::ToolRecord(kParked), "parked");
    machine.fake.files.AddFile(paths::ToolRecord(kGuid), "live", fileattr::kHidden);
    machine.fake.faults.FailAt(fake::op::kCopyFile, 1, platform::error::kAccessDenied);
    EXPECT_FALSE(ActivateToolRecordFile(machine.context, kParked, machine.notices));
    EXPECT_EQ(machine.fake.files.Content(paths::ToolRecord(kGuid)), "live");
    EXPECT_EQ(machine.fake.files.Content(paths::ToolRecord(kParked)), "parked");
    machine.fake.faults.Clear();
    EXPECT_TRUE(ActivateToolRecordFile(machine.context, kParked, machine.notices));
    EXPECT_EQ(machine.fake.files.Content(paths::ToolRecord(kGuid)), "parked");
}

TEST_F(MovesToolRecord, EmptyRecordNeverReplacesAnExistingTarget) {
    machine.fake.files.AddFile(paths::ToolRecord(kGuid), "another environment's record");
    EXPECT_FALSE(ActivateToolRecordFile(machine.context, kParked, machine.notices));
    EXPECT_EQ(machine.fake.files.Content(paths::ToolRecord(kGuid)), "another environment's record");
}

TEST_F(MovesToolRecord, UnknownWindowsFolderIsReported) {
    machine.context.texts = core::TextSet(true);
    machine.fake.shell.RemoveSpecialFolder(platform::csidl::kWindows);
    EXPECT_FALSE(DeactivateToolRecordFile(machine.context, kParked, machine.notices));
    EXPECT_EQ(Messages(), std::vector<std::string>{"ファイルが見つかりません。[]"});
}

TEST_F(MovesToolRecord, LookUpThatFailsTouchesNothing) {
    machine.fake.files.AddFile(paths::ToolRecord(kGuid), "live");
    // 1: the Windows folder, 2: the source.
    machine.fake.faults.FailAt(fake::op::kFindFirst, 2, platform::error::kAccessDenied);
    EXPECT_FALSE(DeactivateToolRecordFile(machine.context, kParked, machine.notices));
    EXPECT_FALSE(Exists(paths::ToolRecord(kParked)));
    EXPECT_EQ(machine.fake.files.Content(paths::ToolRecord(kGuid)), "live");
}

}  // namespace
}  // namespace velnora::testing

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "environments/file_utilities.h"
#include "environments_fixture.h"

namespace velnora::testing {
namespace {

using namespace environments;
using platform::fileattr::kReadOnly;

class FileUtilities : public EnvironmentFixture {
  protected:
    // Every listing opened was closed again.
    void TearDown() override { EXPECT_EQ(fake.files.OpenListings(), 0u); }

    std::vector<std::string> Tree(const std::string& folder) const {
        return fake.files.ListTree(folder);
    }
};

TEST_F(FileUtilities, FileExistsFindsFilesAndFolders) {
    fake.files.AddFile("C:\\T\\a.txt");
    EXPECT_TRUE(platform::FileExists(fake.files, "C:\\T\\a.txt"));
    EXPECT_TRUE(platform::FileExists(fake.files, "C:\\T"));
    EXPECT_FALSE(platform::FileExists(fake.files, "C:\\T\\b.txt"));
    EXPECT_FALSE(platform::FileExists(fake.files, "C:\\Missing\\a.txt"));
}

// --- FindFileBelow ------------------------------------------------------------------------

struct TallyCase {
    const char* name;
    std::vector<std::string> files;  // below C:\T, in the order they are created
    std::string upperName;
    int result;
};

class FileUtilitiesFindFileBelow : public FileUtilities,
                                   public ::testing::WithParamInterface<TallyCase> {};

TEST_P(FileUtilitiesFindFileBelow, GivesTheExactTally) {
    const TallyCase& c = GetParam();
    fake.files.AddFolder("C:\\T");
    for (const auto& file : c.files) {
        if (file.back() == '\\')
            fake.files.AddFolder("C:\\T\\" + file);
        else
            fake.files.AddFile("C:\\T\\" + file);
    }
    EXPECT_EQ(FindFileBelow(fake.files, "C:\\T", c.upperName), c.result);
    EXPECT_EQ(FindFileBelow(fake.files, "C:\\T\\", c.upperName), c.result);
}

INSTANTIATE_TEST_SUITE_P(
    FileUtilities, FileUtilitiesFindFileBelow,
    ::testing::Values(
        TallyCase{"EmptyFolder", {}, "", 0}, TallyCase{"OneFile", {"a"}, "", 0},
        TallyCase{"ThreeFiles", {"a", "b", "c"}, "", 3},
        TallyCase{"SubfolderWithTwoFiles", {"s\\a", "s\\b"}, "", 2},
        TallyCase{"FilesBeforeSubfolderAreDropped", {"a", "b", "s\\a", "s\\b", "s\\c"}, "", 3},
        TallyCase{"FilesBehindSubfolderAdd", {"s\\a", "s\\b", "s\\c", "a", "b"}, "", 5},
        TallyCase{"SubfolderWithOneFileCountsZero", {"s\\a"}, "", 0},
        TallyCase{"OneFileBehindZeroSubfolder", {"s\\a", "a"}, "", 0},
        TallyCase{"LastSubfolderDecides", {"s\\a", "s\\b", "t\\a", "t\\b", "t\\c"}, "", 3},
        TallyCase{"EmptySubfolder", {"a", "b", "e\\"}, "", 0},
        // Only "." and ".." stand for the folder and its parent; ".svn" is a folder like any.
        TallyCase{"DotNamedFolderIsSearched", {".svn\\a", ".svn\\b", ".svn\\c", "a", "b"}, "", 5},
        TallyCase{"FoundInDotNamedFolder", {"a", ".config\\vtx2.exe"}, "VTX2.EXE", 1},
        TallyCase{"DotFileCounts", {".x", "a"}, "", 2},
        TallyCase{"FoundInSubfolder", {"a", "Bin\\vtx2.exe", "b", "c"}, "VTX2.EXE", 1},
        TallyCase{"FoundAtTop", {"a", "b", "Vtx2.Exe"}, "VTX2.EXE", 1},
        TallyCase{"FoundDeep", {"x\\y\\z\\VTX2.EXE", "a", "b", "c"}, "VTX2.EXE", 1},
        TallyCase{"NotFound", {"a", "b", "VTX2.EXE.bak"}, "VTX2.EXE", 3},
        TallyCase{"FolderOfTheNameIsNoMatch", {"VTX2.EXE\\a", "VTX2.EXE\\b"}, "VTX2.EXE", 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileUtilities, FindFileBelowNeverSearchesBehindAFolderLink) {
    fake.files.AddFile("C:\\Other\\VTX2.EXE");
    fake.files.AddFile("C:\\Other\\b");
    fake.files.AddFile("C:\\T\\a");
    fake.files.AddLink("C:\\T\\other", "C:\\Other");
    fake.files.AddLink("C:\\T\\loop", "C:\\T");
    fake.files.AddFile("C:\\T\\b");
    // A link to a file is a file like any other.
    fake.files.AddLink("C:\\T\\c", "C:\\Other\\b");
    EXPECT_EQ(FindFileBelow(fake.files, "C:\\T", "VTX2.EXE"), 3);
    EXPECT_EQ(FindFileBelow(fake.files, "C:\\T", "C"), 1);
}

TEST_F(FileUtilities, FindFileBelowOnMissingFolderGivesZero) {
    EXPECT_EQ(FindFileBelow(fake.files, "C:\\Missing", "VTX2.EXE"), 0);
}

TEST_F(FileUtilities, FindFileBelowListingErrorGivesMinusOne) {
    fake.files.AddFile("C:\\T\\s\\a");
    fake.files.AddFile("C:\\T\\s\\b");
    // C:\T gives ".", "..", "s"; the listing of s then breaks after its "." and "..".
    fake.faults.FailAt(fake::op::kFindNext, 4, platform::error::kAccessDenied);
    EXPECT_EQ(FindFileBelow(fake.files, "C:\\T", ""), -1);

    // A subfolder whose listing cannot start counts as holding nothing.
    fake.faults.Clear();
    fake.files.AddFile("C:\\T\\c");
    fake.files.AddFile("C:\\T\\d");
    fake.faults.FailAt(fake::op::kFindFirst, fake.faults.Calls(fake::op::kFindFirst) + 2,
                       platform::error::kAccessDenied);
    EXPECT_EQ(FindFileBelow(fake.files, "C:\\T", ""), 2);
}

// --- DeleteTree ---------------------------------------------------------------------------

TEST_F(FileUtilities, DeleteTreeClearsReadOnlyAttributesOnTheWay) {
    fake.files.AddFile("C:\\T\\a.txt", "a", kReadOnly);
    fake.files.AddFile("C:\\T\\sub\\b.txt", "b", kReadOnly | platform::fileattr::kHidden);
    fake.files.AddFolder("C:\\T\\sub\\empty");
    fake.files.SetAttributes("C:\\T\\sub", kReadOnly);
    fake.files.SetAttributes("C:\\T", kReadOnly);

    EXPECT_TRUE(DeleteTree(fake.files, "C:\\T", true, true, true));
    EXPECT_FALSE(fake.files.Exists("C:\\T"));
}

TEST_F(FileUtilities, DeleteTreeStopsAtAFileHeldOpen) {
    fake.files.AddFile("C:\\T\\first.txt");
    fake.files.AddFile("C:\\T\\held.txt");
    fake.files.AddFile("C:\\T\\later.txt");
    fake.files.AddFile("C:\\T\\sub\\x.txt");
    fake.files.HoldOpen("C:\\T\\held.txt");

    EXPECT_FALSE(DeleteTree(fake.files, "C:\\T", true, true, true));
    EXPECT_EQ(Tree("C:\\T"),
              (std::vector<std::string>{"held.txt", "later.txt", "sub\\", "sub\\x.txt"}));
}

TEST_F(FileUtilities, DeleteTreeHeldOpenFileDeepDownKeepsTheParents) {
    fake.files.AddFile("C:\\T\\sub\\held.txt");
    fake.files.AddFile("C:\\T\\z.txt");
    fake.files.HoldOpen("C:\\T\\sub\\held.txt");

    EXPECT_FALSE(DeleteTree(fake.files, "C:\\T", true, true, true));
    EXPECT_EQ(Tree("C:\\T"), (std::vector<std::string>{"sub\\", "sub\\held.txt", "z.txt"}));
}

TEST_F(FileUtilities, DeleteTreeWithoutRemoveSelfKeepsTheFolder) {
    fake.files.AddFile("C:\\T\\a.txt");
    fake.files.AddFile("C:\\T\\sub\\b.txt");

    EXPECT_TRUE(DeleteTree(fake.files, "C:\\T", false, true, true));
    EXPECT_TRUE(fake.files.IsFolder("C:\\T"));
    EXPECT_TRUE(Tree("C:\\T").empty());
}

TEST_F(FileUtilities, DeleteTreeWithoutRemoveSubfoldersKeepsThemEmpty) {
    fake.files.AddFile("C:\\T\\a.txt");
    fake.files.AddFile("C:\\T\\sub\\b.txt");

    EXPECT_TRUE(DeleteTree(fake.files, "C:\\T", false, true, false));
    EXPECT_EQ(Tree("C:\\T"), std::vector<std::string>{"sub\\"});
}

TEST_F(FileUtilities, DeleteTreeRemovesDotNamedFolders) {
    fake.files.AddFile("C:\\T\\.hidden\\a.txt");
    fake.files.AddFile("C:\\T\\..twice\\b.txt");
    fake.files.AddFolder("C:\\T\\sub\\.empty");

    EXPECT_TRUE(DeleteTree(fake.files, "C:\\T", true, true, true));
    EXPECT_FALSE(fake.files.Exists("C:\\T"));
}

// What links are met on the way: one to a folder with content, one to a file.
void AddTreeWithLinks(fake::FakeFileSystem& files) {
    files.AddFile("C:\\Target\\keep.txt", "keep", kReadOnly);
    files.AddFile("C:\\Target\\sub\\deep.txt");
    files.AddFile("C:\\T\\a.txt");
    files.AddLink("C:\\T\\folder link", "C:\\Target");
    files.AddLink("C:\\T\\sub\\file link", "C:\\Target\\keep.txt");
    files.AddLink("C:\\T\\sub\\loop", "C:\\T");
}

const std::vector<std::string> kTargetTree = {"keep.txt", "sub\\", "sub\\deep.txt"};

struct LinkFlagsCase {
    const char* name;
    bool removeSubfolders;
    bool result;
    std::vector<std::string> left;  // below C:\T, which stays unless empty
};

class FileUtilitiesDeleteTreeLinks : public FileUtilities,
                                     public ::testing::WithParamInterface<LinkFlagsCase> {};

TEST_P(FileUtilitiesDeleteTreeLinks, RemovesLinksButNeverWhatTheyPointTo) {
    const LinkFlagsCase& c = GetParam();
    AddTreeWithLinks(fake.files);

    EXPECT_EQ(DeleteTree(fake.files, "C:\\T", c.removeSubfolders, true, c.removeSubfolders),
              c.result);
    EXPECT_EQ(Tree("C:\\T"), c.left);
    EXPECT_EQ(Tree("C:\\Target"), kTargetTree);
    EXPECT_EQ(fake.files.Attributes("C:\\Target\\keep.txt") & kReadOnly, kReadOnly);
}

INSTANTIATE_TEST_SUITE_P(
    FileUtilities, FileUtilitiesDeleteTreeLinks,
    ::testing::Values(LinkFlagsCase{"Everything", true, true, {}},
                      // Folder links stay with the subfolders, untouched; file links go.
                      LinkFlagsCase{"KeepingSubfolders",
                                    false,
                                    true,
                                    {"folder link -> C:\\Target", "sub\\", "sub\\loop -> C:\\T"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileUtilities, DeleteTreeOfAFolderThatIsALinkRemovesOnlyTheLink) {
    for (const char* folder : {"C:\\L", "C:\\L\\"}) {
        AddTreeWithLinks(fake.files);
        fake.files.AddLink("C:\\L", "C:\\T");
        const auto before = Tree("C:\\T");

        // Without removeSelf the link is not entered at all.
        EXPECT_FALSE(DeleteTree(fake.files, folder, false, true, true)) << folder;
        EXPECT_TRUE(fake.files.Exists("C:\\L")) << folder;
        EXPECT_EQ(Tree("C:\\T"), before) << folder;

        EXPECT_TRUE(DeleteTree(fake.files, folder, true, true, true)) << folder;
        EXPECT_FALSE(fake.files.Exists("C:\\L")) << folder;
        EXPECT_EQ(Tree("C:\\T"), before) << folder;
        EXPECT_EQ(Tree("C:\\Target"), kTargetTree) << folder;
        fake.files.Remove("C:\\T");
        fake.files.Remove("C:\\Target");
    }
}

TEST_F(FileUtilities, DeleteTreeRefusesVolumeRootsAndTouchesNothing) {
    fake.files.AddFile("C:\\a.txt");
    fake.files.AddFile("C:\\Work\\b.txt");
    const auto before = Tree("C:\\");
    const char* const roots[] = {"",
                                 "\\",
                                 "/",
                                 "C:",
                                 "C:\\",
                                 "c:/",
                                 "C:\\\\",
                                 "C:\\.",
                                 "C:\\Work\\..",
                                 "C:\\Work\\..\\..\\",
                                 "\\\\server\\share",
                                 "\\\\server\\share\\",
                                 "\\\\server",
                                 "\\\\?\\C:\\"};
    for (const char* root : roots) {
        for (const bool removeSelf : {false, true})
            EXPECT_FALSE(DeleteTree(fake.files, root, removeSelf, true, true)) << root;
    }
    EXPECT_EQ(Tree("C:\\"), before);
    EXPECT_EQ(fake.faults.Calls(fake::op::kFindFirst), 0);

    // A folder right below a root is no root.
    EXPECT_TRUE(DeleteTree(fake.files, "C:\\Work\\..\\Work", true, true, true));
    EXPECT_FALSE(fake.files.Exists("C:\\Work"));
    EXPECT_TRUE(fake.files.Exists("C:\\a.txt"));
}

TEST_F(FileUtilities, DeleteTreeOfMissingFolderFails) {
    EXPECT_FALSE(DeleteTree(fake.files, "C:\\Missing", true, true, true));
}

TEST_F(FileUtilities, DeleteTreeListingErrorFailsButRemovalDecidesWithRemoveSelf) {
    fake.files.AddFile("C:\\T\\a.txt");
    // ".", "..", "a.txt", then the listing breaks instead of ending.
    fake.faults.FailAt(fake::op::kFindNext, 3, platform::error::kAccessDenied);
    EXPECT_FALSE(DeleteTree(fake.files, "C:\\T", false, true, true));

    fake.files.AddFile("C:\\U\\a.txt");
    fake.faults.FailAt(fake::op::kFindNext, 6, platform::error::kAccessDenied);
    EXPECT_TRUE(DeleteTree(fake.files, "C:\\U", true, true, true));
    EXPECT_FALSE(fake.files.Exists("C:\\U"));
}

// --- RemoveEmptyFolders -------------------------------------------------------------------

TEST_F(FileUtilities, RemoveEmptyFoldersRemovesEmptyBranchesOnly) {
    fake.files.AddFolder("C:\\A\\B\\C");
    fake.files.AddFile("C:\\A\\D\\keep.txt");
    fake.files.AddFile("C:\\A\\top.txt");

    EXPECT_TRUE(RemoveEmptyFolders(fake.files, "C:\\A"));
    EXPECT_EQ(Tree("C:\\A"), (std::vector<std::string>{"D\\", "D\\keep.txt", "top.txt"}));
}

TEST_F(FileUtilities, RemoveEmptyFoldersTakesDotNamedFoldersButNeverEntersLinks) {
    fake.files.AddFolder("C:\\A\\.cache\\inner");
    fake.files.AddFolder("C:\\Target\\empty");
    fake.files.AddLink("C:\\A\\target", "C:\\Target");
    fake.files.AddLink("C:\\A\\B\\loop", "C:\\A");

    EXPECT_TRUE(RemoveEmptyFolders(fake.files, "C:\\A"));
    EXPECT_EQ(Tree("C:\\A"),
              (std::vector<std::string>{"B\\", "B\\loop -> C:\\A", "target -> C:\\Target"}));
    EXPECT_EQ(Tree("C:\\Target"), std::vector<std::string>{"empty\\"});
}

TEST_F(FileUtilities, RemoveEmptyFoldersKeepsAnEmptyTop) {
    fake.files.AddFolder("C:\\A");
    EXPECT_TRUE(RemoveEmptyFolders(fake.files, "C:\\A"));
    EXPECT_TRUE(fake.files.IsFolder("C:\\A"));
}

TEST_F(FileUtilities, RemoveEmptyFoldersFailsOnListingErrors) {
    EXPECT_FALSE(RemoveEmptyFolders(fake.files, "C:\\Missing"));

    fake.files.AddFolder("C:\\A\\B\\C");
    fake.files.AddFolder("C:\\A\\E");
    // The listing of B breaks after its "." entry: the walk stops and E is not reached.
    fake.faults.FailAt(fake::op::kFindNext, 3, platform::error::kAccessDenied);
    EXPECT_FALSE(RemoveEmptyFolders(fake.files, "C:\\A"));
    EXPECT_TRUE(fake.files.IsFolder("C:\\A\\B\\C"));
    EXPECT_TRUE(fake.files.IsFolder("C:\\A\\E"));
}

// --- CopyTree -----------------------------------------------------------------------------

TEST_F(FileUtilities, CopyTreeIntoNewTargetCopiesEverything) {
    fake.files.AddFile("C:\\S\\a.txt", "a");
    fake.files.AddFile("C:\\S\\sub\\b.txt", "b");
    fake.files.AddFolder("C:\\S\\empty");
    fake.files.AddFile("C:\\S\\.settings\\x.ini");

    EXPECT_TRUE(CopyTree(fake.files, "C:\\S", "C:\\D", true));
    EXPECT_EQ(Tree("C:\\D"), Tree("C:\\S"));
    EXPECT_EQ(fake.files.Content("C:\\D\\sub\\b.txt"), "b");
}

TEST_F(FileUtilities, CopyTreeReadsThroughALinkButEndsAtALinkCycle) {
    fake.files.AddFile("C:\\S\\a.txt", "a");
    fake.files.AddFile("C:\\Shared\\s.txt", "s");
    fake.files.AddLink("C:\\Shared\\back", "C:\\S");
    fake.files.AddLink("C:\\S\\shared", "C:\\Shared");
    fake.files.AddLink("C:\\S\\link.txt", "C:\\Shared\\s.txt");

    EXPECT_TRUE(CopyTree(fake.files, "C:\\S", "C:\\D", true));
    EXPECT_EQ(Tree("C:\\D"),
              (std::vector<std::string>{"a.txt", "link.txt", "shared\\", "shared\\s.txt"}));
    EXPECT_EQ(fake.files.Content("C:\\D\\link.txt"), "s");
    EXPECT_EQ(Tree("C:\\Shared"), (std::vector<std::string>{"back -> C:\\S", "s.txt"}));
}

TEST_F(FileUtilities, CopyTreeOverwritesAnExistingTargetWhenAllowed) {
    fake.files.AddFile("C:\\S\\a.txt", "new");
    fake.files.AddFile("C:\\S\\sub\\b.txt", "new b");
    fake.files.AddFile("C:\\D\\a.txt", "old");
    fake.files.AddFile("C:\\D\\sub\\b.txt", "old b");
    fake.files.AddFile("C:\\D\\other.txt", "other");

    EXPECT_TRUE(CopyTree(fake.files, "C:\\S", "C:\\D", false));
    EXPECT_EQ(fake.files.Content("C:\\D\\a.txt"), "new");
    EXPECT_EQ(fake.files.Content("C:\\D\\sub\\b.txt"), "new b");
    EXPECT_EQ(fake.files.Content("C:\\D\\other.txt"), "other");
}

TEST_F(FileUtilities, CopyTreeRefusesAnExistingTargetWithFailIfExists) {
    fake.files.AddFile("C:\\S\\a.txt", "new");
    fake.files.AddFolder("C:\\D");

    EXPECT_FALSE(CopyTree(fake.files, "C:\\S", "C:\\D", true));
    EXPECT_TRUE(Tree("C:\\D").empty());
}

TEST_F(FileUtilities, CopyTreeStopsAtTheFirstFailure) {
    fake.files.AddFile("C:\\S\\a.txt");
    fake.files.AddFile("C:\\S\\held.txt");
    fake.files.AddFile("C:\\S\\z.txt");
    fake.files.HoldOpen("C:\\S\\held.txt");

    EXPECT_FALSE(CopyTree(fake.files, "C:\\S", "C:\\D", false));
    EXPECT_EQ(Tree("C:\\D"), std::vector<std::string>{"a.txt"});

    EXPECT_FALSE(CopyTree(fake.files, "C:\\Missing", "C:\\E", false));
    EXPECT_FALSE(CopyTree(fake.files, "C:\\S", "C:\\NoParent\\F", false));
}

// --- Shortcuts ----------------------------------------------------------------------------

TEST_F(FileUtilities, ShortcutRoundTripAndBufferLimit) {
    const std::string link = "C:\\Links\\Tool.lnk";
    fake.files.AddFolder("C:\\Links");
    ASSERT_EQ(CreateShortcut(fake.shell, link, "C:\\Tools\\日本\\tool.exe", "", "-autorun", "", "",
                             0, platform::showcmd::kNormal),
              platform::kHrOk);
    const auto stored = fake.shell.Shortcut(link);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->arguments, "-autorun");
    EXPECT_EQ(stored->showCommand, platform::showcmd::kNormal);

    std::string target, arguments;
    EXPECT_EQ(ReadShortcut(fake.shell, link, target, arguments, 260), platform::kHrOk);
    EXPECT_EQ(target, "C:\\Tools\\日本\\tool.exe");
    EXPECT_EQ(arguments, "-autorun");

    // The buffer counts characters: 12 of them fill a buffer of 13, whatever their bytes.
    EXPECT_EQ(ReadShortcut(fake.shell, link, target, arguments, 13), platform::kHrOk);
    EXPECT_EQ(target, "C:\\Tools\\日本\\");
    EXPECT_EQ(ReadShortcut(fake.shell, link, target, arguments, 11), platform::kHrOk);
    EXPECT_EQ(target, "C:\\Tools\\日");
    EXPECT_EQ(arguments, "-autorun");
    EXPECT_EQ(ReadShortcut(fake.shell, link, target, arguments, 5), platform::kHrOk);
    EXPECT_EQ(arguments, "-aut");
}

TEST_F(FileUtilities, ReadShortcutOfNoShortcutGivesEmptyTexts) {
    fake.files.AddFile("C:\\Links\\plain.txt", "text");
    std::string target = "stale", arguments = "stale";
    EXPECT_LT(ReadShortcut(fake.shell, "C:\\Links\\plain.txt", target, arguments, 260), 0);
    EXPECT_EQ(target, "");
    EXPECT_EQ(arguments, "");
    EXPECT_LT(ReadShortcut(fake.shell, "C:\\Links\\none.lnk", target, arguments, 260), 0);
    EXPECT_LT(CreateShortcut(fake.shell, "C:\\NoFolder\\x.lnk", "C:\\t.exe", "", "", "", "", 0,
                             platform::showcmd::kNormal),
              0);
}

// --- GUIDs --------------------------------------------------------------------------------

TEST_F(FileUtilities, NewGuidTextIsUpperCaseWithBraces) {
    std::string text;
    ASSERT_TRUE(NewGuidText(fake.shell, text));
    EXPECT_EQ(text, "{A1B2C301-D4E5-4F60-8A9B-ACBD00000001}");
    ASSERT_TRUE(NewGuidText(fake.shell, text));
    EXPECT_EQ(text, "{A1B2C302-D4E5-4F60-8A9B-ACBD00000002}");

    platform::Guid guid;
    guid.data1 = 0xabcdef;
    guid.data2 = 0xa;
    guid.data3 = 0xbc0;
    guid.data4 = {0xfe, 0x1, 0xab, 0xcd, 0xef, 0x0, 0x9, 0xff};
    EXPECT_EQ(GuidText(guid), "{00ABCDEF-000A-0BC0-FE01-ABCDEF0009FF}");
    EXPECT_EQ(GuidText(guid).size(), 38u);
}

TEST_F(FileUtilities, NewGuidTextRefusesTheZeroGuid) {
    std::string text = "unchanged";
    fake.shell.GiveZeroGuids(1);
    EXPECT_FALSE(NewGuidText(fake.shell, text));
    EXPECT_EQ(text, "unchanged");

    fake.faults.FailAt(fake::op::kCreateGuid, fake.faults.Calls(fake::op::kCreateGuid) + 1,
                       platform::error::kNotEnoughMemory);
    EXPECT_FALSE(NewGuidText(fake.shell, text));
    EXPECT_EQ(text, "unchanged");
}

// --- Setup values -------------------------------------------------------------------------

struct SetupCase {
    const char* name;
    platform::OsVersion os;
    const char* valueName;
    const char* expected;
};

class FileUtilitiesSetupValue : public FileUtilities,
                                public ::testing::WithParamInterface<SetupCase> {};

TEST_P(FileUtilitiesSetupValue, ReadsFromTheKeyOfThePlatform) {
    fake.registry.SetText(platform::RegRoot::LocalMachine, fake::machine::kCurrentVersionKey,
                          "SystemRoot", "C:\\WIN9X");
    std::string text = "unchanged";
    EXPECT_TRUE(ReadSetupValue(fake.registry, GetParam().os, GetParam().valueName, text));
    EXPECT_EQ(text, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    FileUtilities, FileUtilitiesSetupValue,
    ::testing::Values(
        SetupCase{"ProgramFilesOnXp", {5, 1, 2600, 2}, "ProgramFilesDir", "C:\\Program Files"},
        SetupCase{"ProgramFilesOnNt4", {4, 0, 1381, 2}, "ProgramFilesDir", "C:\\Program Files"},
        SetupCase{"SystemRootOnNt4", {4, 0, 1381, 2}, "SystemRoot", "C:\\WINDOWS"},
        SetupCase{"SystemRootOnWindows98", {4, 10, 1998, 1}, "SystemRoot", "C:\\WIN9X"},
        SetupCase{"SystemRootOnXpUsesSetupKey", {5, 1, 2600, 2}, "SystemRoot", "C:\\WIN9X"},
        SetupCase{"MissingValueLeavesText", {5, 1, 2600, 2}, "Nothing", "unchanged"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileUtilities, ReadSetupValueFailsWhenTheKeyCannotBeOpened) {
    fake.faults.FailAt(fake::op::kOpenKey, 1, platform::error::kAccessDenied);
    std::string text = "unchanged";
    EXPECT_FALSE(ReadSetupValue(fake.registry, {5, 1, 2600, 2}, "ProgramFilesDir", text));
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(fake.registry.OpenKeyCount(), 0u);
}

}  // namespace
}  // namespace velnora::testing

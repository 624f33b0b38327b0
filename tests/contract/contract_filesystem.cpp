// The file system as the file utilities, the component moves and the self-installation use it.
#include <algorithm>

#include "contract_fixture.h"

namespace velnora::contract {
namespace {

using platform::ErrorCode;
using platform::Handle;
namespace error = platform::error;
namespace fileattr = platform::fileattr;
namespace movefile = platform::movefile;

constexpr ErrorCode kErrorDirectory = 267;
constexpr char kNoLink[] = "no folder link can be made here";

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

TEST_P(PlatformContract, CreateDirectoryFailsWhenTheFolderOrAFileOfTheNameExists) {
    MakeFolder(Scratch("dir"));
    MakeFile(Scratch("file"));
    EXPECT_EQ(Files().CreateDirectory(Scratch("dir")), error::kAlreadyExists);
    EXPECT_EQ(Files().CreateDirectory(Scratch("file")), error::kAlreadyExists);
    EXPECT_EQ(Files().CreateDirectory(Scratch("missing\\dir")), error::kPathNotFound);
    EXPECT_TRUE(Files().PathIsDirectory(Scratch("dir")));
}

TEST_P(PlatformContract, RemoveDirectoryFailsOnAFolderThatIsNotEmpty) {
    MakeFolder(Scratch("withFile"));
    MakeFile(Scratch("withFile\\f.txt"));
    MakeFolder(Scratch("withFolder"));
    MakeFolder(Scratch("withFolder\\inner"));

    EXPECT_EQ(Files().RemoveDirectory(Scratch("withFile")), error::kDirNotEmpty);
    EXPECT_EQ(Files().RemoveDirectory(Scratch("withFolder")), error::kDirNotEmpty);
    EXPECT_TRUE(Files().PathFileExists(Scratch("withFile\\f.txt")));

    EXPECT_EQ(Files().RemoveDirectory(Scratch("withFolder\\inner")), error::kSuccess);
    EXPECT_EQ(Files().RemoveDirectory(Scratch("withFolder")), error::kSuccess);
    EXPECT_FALSE(Files().PathFileExists(Scratch("withFolder")));
}

TEST_P(PlatformContract, RemoveDirectoryOfAMissingFolderOrOfAFileFails) {
    MakeFile(Scratch("file"));
    EXPECT_EQ(Files().RemoveDirectory(Scratch("missing")), error::kFileNotFound);
    EXPECT_EQ(Files().RemoveDirectory(Scratch("file")), kErrorDirectory);
    EXPECT_TRUE(Files().PathFileExists(Scratch("file")));
}

TEST_P(PlatformContract, CopyFileOverwritesAnExistingFile) {
    MakeFile(Scratch("source.txt"), "new content");
    MakeFile(Scratch("target.txt"), "old");
    EXPECT_EQ(Files().CopyFile(Scratch("source.txt"), Scratch("target.txt"), false),
              error::kSuccess);
    EXPECT_EQ(ReadText(Scratch("target.txt")), "new content");
    EXPECT_EQ(ReadText(Scratch("source.txt")), "new content");
}

TEST_P(PlatformContract, CopyFileWithFailIfExistsLeavesTheTargetAlone) {
    MakeFile(Scratch("source.txt"), "new");
    MakeFile(Scratch("target.txt"), "old");
    EXPECT_EQ(Files().CopyFile(Scratch("source.txt"), Scratch("target.txt"), true),
              error::kFileExists);
    EXPECT_EQ(ReadText(Scratch("target.txt")), "old");
    EXPECT_EQ(Files().CopyFile(Scratch("source.txt"), Scratch("fresh.txt"), true), error::kSuccess);
    EXPECT_EQ(ReadText(Scratch("fresh.txt")), "new");
}

TEST_P(PlatformContract, CopyFileOfAMissingFileOrIntoAMissingFolderFails) {
    MakeFile(Scratch("source.txt"));
    EXPECT_EQ(Files().CopyFile(Scratch("missing.txt"), Scratch("t.txt"), false),
              error::kFileNotFound);
    EXPECT_EQ(Files().CopyFile(Scratch("source.txt"), Scratch("missing\\t.txt"), false),
              error::kPathNotFound);
}

TEST_P(PlatformContract, CopyFileRefusesAReadOnlyTarget) {
    SKIP_ON_WINE("Wine, run as root here, overwrites read-only files");
    MakeFile(Scratch("source.txt"), "new");
    MakeFile(Scratch("target.txt"), "old");
    ASSERT_EQ(Files().SetAttributes(Scratch("target.txt"), fileattr::kReadOnly), error::kSuccess);
    EXPECT_EQ(Files().CopyFile(Scratch("source.txt"), Scratch("target.txt"), false),
              error::kAccessDenied);
    EXPECT_EQ(ReadText(Scratch("target.txt")), "old");
}

TEST_P(PlatformContract, AReadOnlyFileCannotBeDeletedUntilItsAttributesAreCleared) {
    MakeFile(Scratch("ro.txt"));
    ASSERT_EQ(Files().SetAttributes(Scratch("ro.txt"), fileattr::kReadOnly), error::kSuccess);
    EXPECT_EQ(Files().DeleteFile(Scratch("ro.txt")), error::kAccessDenied);
    EXPECT_TRUE(Files().PathFileExists(Scratch("ro.txt")));

    ASSERT_EQ(Files().SetAttributes(Scratch("ro.txt"), fileattr::kNormal), error::kSuccess);
    EXPECT_EQ(Files().DeleteFile(Scratch("ro.txt")), error::kSuccess);
    EXPECT_FALSE(Files().PathFileExists(Scratch("ro.txt")));
}

TEST_P(PlatformContract, DeleteFileOfAMissingFileOrOfAFolderFails) {
    MakeFolder(Scratch("dir"));
    EXPECT_EQ(Files().DeleteFile(Scratch("missing.txt")), error::kFileNotFound);
    EXPECT_EQ(Files().DeleteFile(Scratch("missing\\f.txt")), error::kPathNotFound);
    EXPECT_EQ(Files().DeleteFile(Scratch("dir")), error::kAccessDenied);
    EXPECT_TRUE(Files().PathIsDirectory(Scratch("dir")));
}

TEST_P(PlatformContract, AFileHeldOpenByAnotherProgramCannotBeDeletedMovedOrRead) {
    MakeFile(Scratch("held.txt"), "content");
    Put().HoldOpen(Scratch("held.txt"));
    std::string content;
    EXPECT_EQ(Files().DeleteFile(Scratch("held.txt")), error::kSharingViolation);
    EXPECT_EQ(Files().MoveFile(Scratch("held.txt"), Scratch("moved.txt"), 0),
              error::kSharingViolation);
    EXPECT_EQ(Files().CopyFile(Scratch("held.txt"), Scratch("copy.txt"), false),
              error::kSharingViolation);
    EXPECT_EQ(Files().CanOpenForReading(Scratch("held.txt")), error::kSharingViolation);
    EXPECT_EQ(Files().ReadFile(Scratch("held.txt"), content), error::kSharingViolation);
    EXPECT_TRUE(Files().PathFileExists(Scratch("held.txt")));

    Put().Release(Scratch("held.txt"));
    EXPECT_EQ(Files().CanOpenForReading(Scratch("held.txt")), error::kSuccess);
    EXPECT_EQ(Files().DeleteFile(Scratch("held.txt")), error::kSuccess);
}

TEST_P(PlatformContract, AFolderHoldingAnOpenFileCannotBeMoved) {
    SKIP_ON_WINE("Wine renames a folder while a file in it is held open");
    MakeFolder(Scratch("dir"));
    MakeFile(Scratch("dir\\held.txt"));
    Put().HoldOpen(Scratch("dir\\held.txt"));
    EXPECT_NE(Files().MoveFile(Scratch("dir"), Scratch("moved"), 0), error::kSuccess);
    EXPECT_TRUE(Files().PathIsDirectory(Scratch("dir")));
}

TEST_P(PlatformContract, MoveFileRenamesAFileAndReplacesOnlyWhenAsked) {
    MakeFile(Scratch("a.txt"), "A");
    MakeFile(Scratch("b.txt"), "B");
    EXPECT_EQ(Files().MoveFile(Scratch("a.txt"), Scratch("b.txt"), 0), error::kAlreadyExists);
    EXPECT_EQ(ReadText(Scratch("b.txt")), "B");

    EXPECT_EQ(Files().MoveFile(Scratch("a.txt"), Scratch("b.txt"), movefile::kReplaceExisting),
              error::kSuccess);
    EXPECT_EQ(ReadText(Scratch("b.txt")), "A");
    EXPECT_FALSE(Files().PathFileExists(Scratch("a.txt")));

    EXPECT_EQ(Files().MoveFile(Scratch("b.txt"), Scratch("c.txt"), 0), error::kSuccess);
    EXPECT_EQ(ReadText(Scratch("c.txt")), "A");
}

TEST_P(PlatformContract, MoveFileMovesAFolderWithEverythingInIt) {
    MakeFolder(Scratch("live"));
    MakeFolder(Scratch("live\\sub"));
    MakeFile(Scratch("live\\top.txt"), "top");
    MakeFile(Scratch("live\\sub\\deep.txt"), "deep");
    MakeFolder(Scratch("parked"));

    EXPECT_EQ(
        Files().MoveFile(Scratch("live"), Scratch("parked\\live{X}"), movefile::kReplaceExisting),
        error::kSuccess);
    EXPECT_FALSE(Files().PathFileExists(Scratch("live")));
    EXPECT_EQ(ReadText(Scratch("parked\\live{X}\\top.txt")), "top");
    EXPECT_EQ(ReadText(Scratch("parked\\live{X}\\sub\\deep.txt")), "deep");
}

TEST_P(PlatformContract, MoveFileOfAFolderOntoAnExistingFolderFails) {
    MakeFolder(Scratch("from"));
    MakeFile(Scratch("from\\f.txt"));
    MakeFolder(Scratch("to"));
    EXPECT_EQ(Files().MoveFile(Scratch("from"), Scratch("to"), 0), error::kAlreadyExists);
    EXPECT_EQ(Files().MoveFile(Scratch("from"), Scratch("to"), movefile::kReplaceExisting),
              error::kAccessDenied);
    EXPECT_TRUE(Files().PathFileExists(Scratch("from\\f.txt")));
}

TEST_P(PlatformContract, MoveFileOfAMissingSourceOrIntoAMissingFolderFails) {
    MakeFile(Scratch("a.txt"));
    EXPECT_EQ(Files().MoveFile(Scratch("missing"), Scratch("x"), 0), error::kFileNotFound);
    EXPECT_EQ(Files().MoveFile(Scratch("a.txt"), Scratch("missing\\a.txt"), 0),
              error::kPathNotFound);
    EXPECT_TRUE(Files().PathFileExists(Scratch("a.txt")));
}

TEST_P(PlatformContract, AListingGivesTheDotsFirstThenEveryEntryThenNoMoreFiles) {
    MakeFile(Scratch("b.txt"));
    MakeFolder(Scratch("sub"));
    MakeFile(Scratch("a.txt"));
    ErrorCode end = 0;
    const auto names = List(Scratch("*.*"), &end);
    EXPECT_EQ(end, error::kNoMoreFiles);
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(names[0], ".");
    EXPECT_EQ(names[1], "..");
    EXPECT_EQ(Sorted({names.begin() + 2, names.end()}),
              (std::vector<std::string>{"a.txt", "b.txt", "sub"}));
    EXPECT_EQ(List(Scratch("*")), names);
}

TEST_P(PlatformContract, ANameBeginningWithADotIsListedLikeAnyOther) {
    MakeFolder(Scratch(".hidden"));
    MakeFile(Scratch(".hidden\\.x"));
    MakeFolder(Scratch("..twice"));
    EXPECT_EQ(Sorted(List(Scratch("*"))),
              (std::vector<std::string>{".", "..", "..twice", ".hidden"}));
    EXPECT_EQ(List(Scratch(".hidden\\*")), (std::vector<std::string>{".", "..", ".x"}));
    EXPECT_TRUE(Files().PathIsDirectory(Scratch("..twice")));
}

TEST_P(PlatformContract, AFolderLinkIsAReparsePointThatLeadsToItsTarget) {
    if (!MakeLinkedFolder(Scratch("link")))
        GTEST_SKIP() << kNoLink;
    const std::uint32_t linkBits = fileattr::kDirectory | fileattr::kReparsePoint;
    EXPECT_EQ(Files().GetAttributes(Scratch("link")) & linkBits, linkBits);
    EXPECT_EQ(Files().GetAttributes(Scratch("target")) & linkBits, fileattr::kDirectory);

    std::vector<std::pair<std::string, bool>> listed;
    Handle find = platform::kNoHandle;
    platform::FindData data;
    for (ErrorCode result = Files().FindFirst(Scratch("*"), find, data); result == error::kSuccess;
         result = Files().FindNext(find, data))
        listed.emplace_back(data.name, data.IsReparsePoint());
    Files().FindClose(find);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::pair<std::string, bool>>{
                          {".", false}, {"..", false}, {"link", true}, {"target", false}}));

    EXPECT_EQ(Sorted(List(Scratch("link\\*"))),
              (std::vector<std::string>{".", "..", "a.txt", "sub"}));
    EXPECT_EQ(ReadText(Scratch("link\\sub\\b.txt")), "b");
}

TEST_P(PlatformContract, RemoveDirectoryOfAFolderLinkNeverTouchesItsTarget) {
    if (!MakeLinkedFolder(Scratch("link")))
        GTEST_SKIP() << kNoLink;
    Files().RemoveDirectory(Scratch("link"));
    EXPECT_EQ(ReadText(Scratch("target\\a.txt")), "a");
    EXPECT_EQ(ReadText(Scratch("target\\sub\\b.txt")), "b");
}

TEST_P(PlatformContract, RemoveDirectoryRemovesAFolderLinkToAFolderThatIsNotEmpty) {
    SKIP_ON_WINE("Wine 8 refuses to remove a host link to a folder that is not empty");
    if (!MakeLinkedFolder(Scratch("link")))
        GTEST_SKIP() << kNoLink;
    EXPECT_EQ(Files().RemoveDirectory(Scratch("link")), error::kSuccess);
    EXPECT_FALSE(Files().PathFileExists(Scratch("link")));
    EXPECT_EQ(Sorted(List(Scratch("target\\*"))),
              (std::vector<std::string>{".", "..", "a.txt", "sub"}));
}

TEST_P(PlatformContract, AListingEndsWithNoMoreFilesAgainAndAgain) {
    MakeFile(Scratch("only.txt"));
    Handle find = platform::kNoHandle;
    platform::FindData data;
    ASSERT_EQ(Files().FindFirst(Scratch("only.txt"), find, data), error::kSuccess);
    EXPECT_EQ(Files().FindNext(find, data), error::kNoMoreFiles);
    EXPECT_EQ(Files().FindNext(find, data), error::kNoMoreFiles);
    Files().FindClose(find);
}

TEST_P(PlatformContract, AnEmptyFolderListsOnlyTheDots) {
    MakeFolder(Scratch("empty"));
    ErrorCode end = 0;
    EXPECT_EQ(List(Scratch("empty\\*.*"), &end), (std::vector<std::string>{".", ".."}));
    EXPECT_EQ(end, error::kNoMoreFiles);
}

TEST_P(PlatformContract, APatternListsTheMatchingNamesWithoutRegardToCase) {
    MakeFile(Scratch("alpha.txt"));
    MakeFile(Scratch("Another.ini"));
    MakeFile(Scratch("beta.txt"));
    EXPECT_EQ(Sorted(List(Scratch("a*"))), (std::vector<std::string>{"Another.ini", "alpha.txt"}));
    EXPECT_EQ(Sorted(List(Scratch("*.TXT"))), (std::vector<std::string>{"alpha.txt", "beta.txt"}));
}

TEST_P(PlatformContract, AListingThatFindsNothingFails) {
    MakeFolder(Scratch("dir"));
    Handle find = platform::kNoHandle;
    platform::FindData data;
    EXPECT_EQ(Files().FindFirst(Scratch("dir\\*.xyz"), find, data), error::kFileNotFound);
    EXPECT_EQ(Files().FindFirst(Scratch("missing\\*.*"), find, data), error::kPathNotFound);
    EXPECT_EQ(Files().FindFirst(Scratch("missing"), find, data), error::kFileNotFound);
    // A folder path with a trailing backslash names nothing to find.
    EXPECT_EQ(Files().FindFirst(Scratch("dir\\"), find, data), error::kFileNotFound);
}

TEST_P(PlatformContract, FindFirstOnAPlainPathGivesThatEntry) {
    MakeFolder(Scratch("Dir"));
    MakeFile(Scratch("File.txt"), "12345");
    Handle find = platform::kNoHandle;
    platform::FindData data;
    ASSERT_EQ(Files().FindFirst(Scratch("dir"), find, data), error::kSuccess);
    EXPECT_EQ(data.name, "Dir");
    EXPECT_TRUE(data.IsDirectory());
    Files().FindClose(find);
    ASSERT_EQ(Files().FindFirst(Scratch("FILE.TXT"), find, data), error::kSuccess);
    EXPECT_EQ(data.name, "File.txt");
    EXPECT_FALSE(data.IsDirectory());
    EXPECT_EQ(data.size, 5u);
    Files().FindClose(find);
}

TEST_P(PlatformContract, PathsMatchWithoutRegardToCase) {
    MakeFolder(Scratch("MixedCase"));
    MakeFile(Scratch("MixedCase\\Data.TXT"), "data");
    EXPECT_EQ(ReadText(Scratch("mixedcase\\data.txt")), "data");
    EXPECT_TRUE(Files().PathIsDirectory(Scratch("MIXEDCASE")));
    EXPECT_EQ(Files().CopyFile(Scratch("MIXEDCASE\\DATA.txt"), Scratch("copy.txt"), false),
              error::kSuccess);
    EXPECT_EQ(List(Scratch("mixedCASE\\d*")), (std::vector<std::string>{"Data.TXT"}));
}

TEST_P(PlatformContract, AttributesAreSetAndCleared) {
    MakeFile(Scratch("f.txt"));
    MakeFolder(Scratch("dir"));
    EXPECT_EQ(Files().GetAttributes(Scratch("f.txt")) & fileattr::kDirectory, 0u);
    EXPECT_NE(Files().GetAttributes(Scratch("dir")) & fileattr::kDirectory, 0u);

    const std::uint32_t both = fileattr::kReadOnly | fileattr::kHidden;
    ASSERT_EQ(Files().SetAttributes(Scratch("f.txt"), both), error::kSuccess);
    EXPECT_EQ(Files().GetAttributes(Scratch("f.txt")) & both, both);
    ASSERT_EQ(Files().SetAttributes(Scratch("dir"), fileattr::kHidden), error::kSuccess);
    EXPECT_EQ(Files().GetAttributes(Scratch("dir")) & (fileattr::kHidden | fileattr::kDirectory),
              fileattr::kHidden | fileattr::kDirectory);

    ASSERT_EQ(Files().SetAttributes(Scratch("f.txt"), fileattr::kNormal), error::kSuccess);
    ASSERT_EQ(Files().SetAttributes(Scratch("dir"), fileattr::kNormal), error::kSuccess);
    EXPECT_EQ(Files().GetAttributes(Scratch("f.txt")) & both, 0u);
    EXPECT_EQ(Files().GetAttributes(Scratch("dir")) & fileattr::kHidden, 0u);
    EXPECT_NE(Files().GetAttributes(Scratch("dir")) & fileattr::kDirectory, 0u);
}

TEST_P(PlatformContract, AttributesOfAMissingPathAreInvalid) {
    EXPECT_EQ(Files().GetAttributes(Scratch("missing")), fileattr::kInvalid);
    EXPECT_EQ(Files().SetAttributes(Scratch("missing"), fileattr::kNormal), error::kFileNotFound);
}

TEST_P(PlatformContract, GetLongPathNameKeepsALongPathAndFailsForAMissingOne) {
    MakeFolder(Scratch("A Long Folder Name"));
    MakeFile(Scratch("A Long Folder Name\\Setup Program.exe"));
    std::string expanded;
    ASSERT_EQ(Files().GetLongPathName(Scratch("A Long Folder Name\\Setup Program.exe"), expanded),
              error::kSuccess);
    EXPECT_EQ(expanded, Scratch("A Long Folder Name\\Setup Program.exe"));
    EXPECT_EQ(Files().GetLongPathName(Scratch("missing\\x.exe"), expanded), error::kFileNotFound);
}

TEST_P(PlatformContract, PathFileExistsAndPathIsDirectoryTellFilesFromFolders) {
    MakeFile(Scratch("f.txt"));
    MakeFolder(Scratch("dir"));
    struct Case {
        std::string path;
        bool exists;
        bool isDirectory;
    };
    const Case cases[] = {
        {Scratch("f.txt"), true, false},
        {Scratch("dir"), true, true},
        {Scratch("dir\\"), true, true},
        {Scratch("missing"), false, false},
        {Scratch("missing\\f.txt"), false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Files().PathFileExists(c.path), c.exists) << c.path;
        EXPECT_EQ(Files().PathIsDirectory(c.path), c.isDirectory) << c.path;
    }
}

TEST_P(PlatformContract, WriteFileAndReadFileKeepEveryByte) {
    static constexpr char kBytes[] = "line 1\r\nzero\0byte \xE6\x97\xA5\xFF end";
    const std::string bytes(kBytes, sizeof kBytes - 1);
    MakeFile(Scratch("bytes.bin"), bytes);
    EXPECT_EQ(ReadText(Scratch("bytes.bin")), bytes);
    MakeFile(Scratch("bytes.bin"), "short");
    EXPECT_EQ(ReadText(Scratch("bytes.bin")), "short");
    MakeFile(Scratch("empty.bin"), "");
    EXPECT_EQ(ReadText(Scratch("empty.bin")), "");
    ASSERT_EQ(Files().WriteFileThrough(Scratch("bytes.bin"), bytes), error::kSuccess);
    EXPECT_EQ(ReadText(Scratch("bytes.bin")), bytes);
    EXPECT_EQ(Files().WriteFileThrough(Scratch("missing\\f.txt"), "x"), error::kPathNotFound);
}

TEST_P(PlatformContract, ReadingOrWritingWhereNothingIsFails) {
    std::string content;
    EXPECT_EQ(Files().ReadFile(Scratch("missing.txt"), content), error::kFileNotFound);
    EXPECT_EQ(Files().CanOpenForReading(Scratch("missing.txt")), error::kFileNotFound);
    EXPECT_EQ(Files().WriteFile(Scratch("missing\\f.txt"), "x"), error::kPathNotFound);
}

// The copy-if-newer decisions compare these times to the second, in local time: a winter and
// a summer date read back as they were set, whatever the zone's daylight-saving rule.
TEST_P(PlatformContract, AFileShowsItsLastWriteTimeInLocalTimeToTheSecond) {
    const platform::LocalFileTime times[] = {{2009, 1, 15, 8, 30, 45}, {2012, 7, 4, 23, 59, 59}};
    for (const platform::LocalFileTime& set : times) {
        MakeFile(Scratch("timed.txt"));
        ASSERT_TRUE(Put().SetModifiedTime(Scratch("timed.txt"), set));
        platform::LocalFileTime read;
        ASSERT_EQ(Files().GetModifiedTime(Scratch("timed.txt"), read), error::kSuccess);
        EXPECT_EQ(read, set) << read.DateNumber() << " " << read.TimeNumber();
        EXPECT_EQ(read.DateNumber(), set.year * 10000 + set.month * 100 + set.day);
    }
}

// A copy keeps its source's time, so a refreshed file is not older than its source again.
TEST_P(PlatformContract, ACopyKeepsTheLastWriteTimeOfItsSource) {
    const platform::LocalFileTime old{2008, 3, 9, 10, 11, 12};
    MakeFile(Scratch("source.txt"), "new");
    MakeFile(Scratch("target.txt"), "old");
    ASSERT_TRUE(Put().SetModifiedTime(Scratch("source.txt"), old));
    ASSERT_EQ(Files().CopyFile(Scratch("source.txt"), Scratch("target.txt"), false),
              error::kSuccess);
    ASSERT_EQ(Files().CopyFile(Scratch("source.txt"), Scratch("fresh.txt"), false),
              error::kSuccess);
    for (const char* name : {"target.txt", "fresh.txt"}) {
        platform::LocalFileTime read;
        ASSERT_EQ(Files().GetModifiedTime(Scratch(name), read), error::kSuccess);
        EXPECT_EQ(read, old) << name;
    }
}

TEST_P(PlatformContract, TheTimeOfAMissingFileIsAnError) {
    platform::LocalFileTime read;
    EXPECT_EQ(Files().GetModifiedTime(Scratch("missing.txt"), read), error::kFileNotFound);
    EXPECT_EQ(Files().GetModifiedTime(Scratch("missing\\f.txt"), read), error::kPathNotFound);
}

}  // namespace
}  // namespace velnora::contract

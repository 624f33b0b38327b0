// The file utilities where a real file system answers them: what DeleteTree does with a folder
// link must hold on Windows as it does on the fake.
#include "contract_fixture.h"
#include "environments/file_utilities.h"

namespace velnora::contract {
namespace {

using environments::DeleteTree;

constexpr char kNoLink[] = "no folder link can be made here";

TEST_P(PlatformContract, DeleteTreeNeverDeletesWhatAFolderLinkPointsTo) {
    MakeFolder(Scratch("holder"));
    if (!MakeLinkedFolder(Scratch("holder\\link")))
        GTEST_SKIP() << kNoLink;

    EXPECT_FALSE(DeleteTree(Files(), Scratch("holder\\link"), false, true, true));
    // Whether the link itself can go is the platform's affair (see the case below).
    DeleteTree(Files(), Scratch("holder"), true, true, true);

    EXPECT_EQ(ReadText(Scratch("target\\a.txt")), "a");
    EXPECT_EQ(ReadText(Scratch("target\\sub\\b.txt")), "b");
}

TEST_P(PlatformContract, DeleteTreeRemovesAFolderLinkItself) {
    SKIP_ON_WINE("Wine 8 refuses to remove a host link to a folder that is not empty");
    MakeFolder(Scratch("holder"));
    if (!MakeLinkedFolder(Scratch("holder\\link")))
        GTEST_SKIP() << kNoLink;

    EXPECT_TRUE(DeleteTree(Files(), Scratch("holder"), true, true, true));
    EXPECT_FALSE(Files().PathFileExists(Scratch("holder")));
    EXPECT_EQ(ReadText(Scratch("target\\sub\\b.txt")), "b");
}

}  // namespace
}  // namespace velnora::contract

// The destination folder page on the in-memory dialog host over a fake Windows XP machine.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "fake/fake_platform.h"
#include "flows/install_sequence.h"
#include "installer/context.h"
#include "pages/dest_folder_page.h"
#include "resource_ids.h"

namespace velnora::testing {
namespace {

using pages::DestResult;

const std::string kBase = "C:\\Program Files\\Orvessa\\Vtx";
constexpr char kEarlier[] = "D:\\Earlier";
constexpr int kStays = fake::TestDialogHost::kRunNotEnded;

// What the user does, and what the page leaves: result, folder shown, chosen folder, refusals.
TEST(DestFolderPage, UserActions) {
    enum Act { kChange, kNext, kExit, kEscape, kReturn };
    const struct {
        const char* name;
        std::vector<std::string> existing;                // folders; a trailing "*" makes a file
        std::vector<std::optional<std::string>> browser;  // nullopt: Cancel
        std::vector<Act> acts;
        int result;
        std::string proposal, shown, chosen;
        int refusals;
    } cases[] = {
        {"Next takes the base",
         {},
         {},
         {kNext},
         DialogResult(DestResult::kNext),
         kBase,
         kBase,
         kBase,
         0},
        {"Return is Next",
         {},
         {},
         {kReturn},
         DialogResult(DestResult::kNext),
         kBase,
         kBase,
         kBase,
         0},
        {"base and 001 taken (001 by a file)",
         {kBase, kBase + "_001*"},
         {},
         {kExit},
         DialogResult(DestResult::kExit),
         kBase + "_002",
         kBase + "_002",
         kEarlier,
         0},
        {"a gap is used",
         {kBase, kBase + "_002"},
         {},
         {kEscape},
         DialogResult(DestResult::kExit),
         kBase + "_001",
         kBase + "_001",
         kEarlier,
         0},
        {"an existing empty folder",
         {"D:\\Empty"},
         {"D:\\Empty"},
         {kChange, kNext},
         DialogResult(DestResult::kNext),
         kBase,
         "D:\\Empty",
         "D:\\Empty",
         0},
        {"a typed folder that does not exist",
         {},
         {"D:\\New Vtx"},
         {kChange, kNext},
         DialogResult(DestResult::kNext),
         kBase,
         "D:\\New Vtx",
         "D:\\New Vtx",
         0},
        {"Cancel changes nothing",
         {},
         {std::nullopt},
         {kChange, kExit},
         DialogResult(DestResult::kExit),
         kBase,
         kBase,
         kEarlier,
         0},
        {"an empty field changes nothing",
         {},
         {"", "  "},
         {kChange, kChange},
         kStays,
         kBase,
         kBase,
         kEarlier,
         0},
        {"vtx2.exe below refuses and forgets",
         {},
         {"D:\\Old"},
         {kChange, kNext},
         kStays,
         kBase,
         "D:\\Old",
         "",
         1},
        {"refused, then another",
         {"D:\\Empty"},
         {"D:\\Old", "D:\\Empty"},
         {kChange, kNext, kChange, kNext},
         DialogResult(DestResult::kNext),
         kBase,
         "D:\\Empty",
         "D:\\Empty",
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake::FakePlatform machine;
        installer::Context context(machine.Get());
        context.startup.osVersion = {5, 1, 2600, 2};
        context.startup.chosenInstallDir = kEarlier;
        machine.files.AddFile("D:\\Old\\bin\\x86\\vtx2.exe");
        for (const std::string& path : c.existing)
            if (path.back() == '*')
                machine.files.AddFile(path.substr(0, path.size() - 1));
            else
                machine.files.AddFolder(path);
        for (const auto& answer : c.browser)
            machine.ui.QueueFolder(answer);
        if (c.result == kStays)
            machine.dialogs.SetReporter([](const std::string&) {});

        pages::DestFolderPage page(context);
        machine.dialogs.OnNextRun(IDD_DEST_FOLDER, [&](fake::PageDriver& d) {
            EXPECT_EQ(d.Text(IDC_DEST_FOLDER), c.proposal);
            const int ids[] = {IDC_DEST_CHANGE, IDC_DEST_NEXT, IDC_DEST_EXIT};
            for (const Act act : c.acts)
                if (act == kEscape)
                    d.PressEscape();
                else if (act == kReturn)
                    d.PressReturn();
                else
                    EXPECT_TRUE(d.Click(ids[act]));
            EXPECT_EQ(d.Text(IDC_DEST_FOLDER), c.shown);
        });
        EXPECT_EQ(machine.ui.RunModal(page, nullptr), c.result);
        EXPECT_EQ(context.startup.chosenInstallDir, c.chosen);
        EXPECT_EQ(static_cast<int>(machine.ui.MessageBoxes().size()), c.refusals);
        // The browser opens on the page, at the folder it shows.
        if (!machine.ui.FolderRequests().empty()) {
            EXPECT_EQ(machine.ui.FolderRequests()[0].owner, &page);
            EXPECT_EQ(machine.ui.FolderRequests()[0].startFolder, c.proposal);
        }
    }
}

// The program files folder: the shell from Windows 2000 on, the setup key before; a failed
// query leaves the vendor's folder below nothing.
TEST(DestFolderPage, ProgramFilesFolderByWindowsVersion) {
    const struct {
        platform::OsVersion os;
        bool shellKnowsIt;
        std::string proposal;
    } cases[] = {
        {{5, 1, 2600, 2}, false, "\\Orvessa\\Vtx"},
        {{4, 0, 1381, 2}, true, "E:\\Apps\\Orvessa\\Vtx"},
        {{4, 10, 2222, 1}, true, "E:\\Apps\\Orvessa\\Vtx"},
    };
    for (const auto& c : cases) {
        fake::FakePlatform machine;
        installer::Context context(machine.Get());
        context.startup.osVersion = c.os;
        machine.registry.SetText(platform::RegRoot::LocalMachine, fake::machine::kCurrentVersionKey,
                                 "ProgramFilesDir", "E:\\Apps");
        if (!c.shellKnowsIt)
            machine.shell.RemoveSpecialFolder(platform::csidl::kProgramFiles);
        EXPECT_EQ(flows::ProposeDestinationFolder(context), c.proposal) << c.os.major;
    }
}

// The refusal box, the browser's title and the help topic, in the Japanese set.
TEST(DestFolderPage, RefusalBrowserAndHelpSpeakTheTextSet) {
    fake::FakePlatform machine;
    installer::Context context(machine.Get());
    context.startup.osVersion = {5, 1, 2600, 2};
    context.startup.programFolder = "C:\\Media";
    context.texts = core::TextSet(true);
    machine.files.AddFile("C:\\Media\\VelnoraJ.CHM");
    machine.files.AddFile(kBase + "\\VTX2.EXE");
    machine.ui.QueueFolder(kBase);
    pages::DestFolderPage page(context);
    machine.dialogs.OnNextRun(IDD_DEST_FOLDER, [&](fake::PageDriver& d) {
        EXPECT_EQ(d.Title(), "インストール先の選択");
        EXPECT_EQ(d.Control(IDC_DEST_FOLDER).font, context.texts.PageFont());
        d.Help();
        d.Click(IDC_DEST_CHANGE);
        d.Click(IDC_DEST_NEXT);
        d.CloseBox();
    });
    EXPECT_EQ(pages::DestResultOf(machine.ui.RunModal(page, nullptr)), DestResult::kExit);
    ASSERT_EQ(machine.ui.MessageBoxes().size(), 1u);
    const auto& box = machine.ui.MessageBoxes()[0];
    EXPECT_EQ(
        (std::vector<std::string>{box.text, box.caption, machine.ui.FolderRequests().at(0).title}),
        (std::vector<std::string>{"指定したディレクトリには既にVantorixが存在しています。"
                                  "\r\nインストールするディレクトリを変更して下さい。",
                                  "エラー", "インストール先のフォルダを指定してください"}));
    EXPECT_EQ(box.flags, platform::mb::kOk | platform::mb::kIconError);
    ASSERT_EQ(machine.ui.HelpCalls().size(), 1u);
    EXPECT_EQ(machine.ui.HelpCalls()[0].contextId, 210u);
}

}  // namespace
}  // namespace velnora::testing

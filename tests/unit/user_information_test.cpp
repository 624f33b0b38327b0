// The user information: loaded from the settings file, and written with a pending destination
// folder into the live Vtx2Inst.ini beside what the vendor installers keep there.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "environments/user_information.h"
#include "fake/fake_platform.h"
#include "installer/context.h"

namespace velnora::testing {
namespace {

constexpr char kRecord[] = "C:\\WINDOWS\\Vtx2Inst.ini";

class UserInformationTest : public ::testing::Test {
  protected:
    UserInformationTest() {
        context.startup.osVersion = {5, 1, 2600, 2};
        context.startup.settingsFile = "Velnora.ini";
    }
    std::vector<std::string> Section(const std::string& section) {
        std::string out;
        fake.profile.GetSection(section, platform::kWholeSection, kRecord, out);
        std::vector<std::string> lines;
        for (std::size_t at = 0, end = 0; at < out.size() && out[at] != '\0'; at = end + 1) {
            end = std::min(out.find('\0', at), out.size());
            lines.push_back(out.substr(at, end - at));
        }
        return lines;
    }

    fake::FakePlatform fake;
    core::Notices notices;
    installer::Context context{fake.Get()};
};

// The folder goes in once; the vendor's sections and keys stay, ours replace their values.
TEST_F(UserInformationTest, LoadsAndWritesJapaneseTextsBesideTheVendorsKeys) {
    fake.files.AddFile("C:\\WINDOWS\\Velnora.ini",
                       "[UserInfo]\r\nCompany=オルヴェッサ株式会社\r\nAddress=東京都港区1-2-3\r\n"
                       "Department=開発部\r\nUser name=佐藤 明\r\nEmail=aki@example.jp\r\n");
    fake.files.AddFile(kRecord,
                       "[Install Version]\r\nVTX=4.08\r\n"
                       "[UserInformation_Common]\r\nCompany name=Old Corp\r\nPostcode=100\r\n"
                       "[Install Directory]\r\nVTX=C:\\Vantorix\r\nTools=C:\\T\r\n");
    environments::LoadUserInformation(context);
    EXPECT_EQ(context.startup.userInformation.userName, "佐藤 明");
    context.startup.chosenInstallDir = "D:\\ツール\\Vtx_001";

    EXPECT_TRUE(environments::RecordUserInformation(context, notices));
    EXPECT_EQ(context.startup.chosenInstallDir, "");
    EXPECT_EQ(
        Section("UserInformation_Common"),
        (std::vector<std::string>{"Company name=オルヴェッサ株式会社", "Postcode=100",
                                  "Address=東京都港区1-2-3", "Department=開発部",
                                  "User name=佐藤 明", "Tel=", "Fax=", "Email=aki@example.jp"}));
    const std::vector<std::string> folder{"VTX=D:\\ツール\\Vtx_001", "Tools=C:\\T",
                                          "Target=D:\\ツール\\Vtx_001"};
    EXPECT_EQ(Section("Install Directory"), folder);
    EXPECT_EQ(Section("Install Type"), std::vector<std::string>{"Type=Orvessa"});
    EXPECT_EQ(Section("Install Version"), std::vector<std::string>{"VTX=4.08"});

    // The next run of the installers: no folder pending, the recorded one stays.
    context.startup.userInformation.company = "";
    EXPECT_TRUE(environments::RecordUserInformation(context, notices));
    EXPECT_EQ(Section("UserInformation_Common").at(0), "Company name=");
    EXPECT_EQ(Section("Install Directory"), folder);
    EXPECT_TRUE(notices.empty());
    EXPECT_TRUE(fake.ui.MessageBoxes().empty());
}

TEST_F(UserInformationTest, AMissingWindowsFolderIsReportedAndDropsTheFolder) {
    context.startup.osVersion = {4, 0, 1381, 2};  // NT 4 reads the setup key
    fake.registry.SetText(platform::RegRoot::LocalMachine,
                          "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot",
                          "E:\\WINNT");
    context.startup.chosenInstallDir = "D:\\Vtx";
    EXPECT_FALSE(environments::RecordUserInformation(context, notices));
    EXPECT_EQ(context.startup.chosenInstallDir, "");
    EXPECT_TRUE(fake.ui.MessageBoxes().empty());
    ASSERT_EQ(notices.size(), 1u);
    const core::Notice& notice = notices[0];
    EXPECT_EQ(notice.text, "Can not found folder. [E:\\WINNT]");
    EXPECT_EQ(notice.caption, core::NoticeCaption::kError);
    EXPECT_EQ(notice.style, platform::mb::kOk);
    EXPECT_FALSE(notice.overPage);
    EXPECT_FALSE(fake.files.Exists("E:\\WINNT\\Vtx2Inst.ini"));
}

}  // namespace
}  // namespace velnora::testing

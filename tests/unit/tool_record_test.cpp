#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "environments/environment_table.h"
#include "environments_fixture.h"
#include "environments/tool_record.h"
#include "maintenance/installation_report.h"
#include "pages/maintenance_page.h"

namespace velnora::testing {
namespace {

using namespace environments;
using namespace maintenance;
using platform::RegRoot;

const std::string kLiveRecord = "C:\\WINDOWS\\Vtx2Inst.ini";

std::string ParkedRecord(const std::string& keyName) {
    return "C:\\WINDOWS\\" + keyName + "Vtx2Inst.ini";
}

class ToolRecord : public EnvironmentFixture {
  protected:
    void WriteRecord(const std::string& path, const std::string& content) {
        fake.files.AddFile(path, content);
    }

    std::vector<std::string> Section(const std::string& file, const std::string& section) {
        return ReadSectionEntries(fake.profile, file, section);
    }
};

// --- Location -----------------------------------------------------------------------------

TEST_F(ToolRecord, WindowsFolderComesFromTheShellOrTheSetupKey) {
    fake.registry.SetText(RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                          "SystemRoot", "C:\\WINNT");
    fake.registry.SetText(RegRoot::LocalMachine, fake::machine::kCurrentVersionKey, "SystemRoot",
                          "C:\\WIN98");
    struct {
        platform::OsVersion os;
        const char* folder;
    } cases[] = {
        {{5, 1, 2600, 2}, "C:\\WINDOWS"},
        {{6, 1, 7601, 2}, "C:\\WINDOWS"},
        {{4, 0, 1381, 2}, "C:\\WINNT"},
        {{4, 10, 1998, 1}, "C:\\WIN98"},
    };
    for (const auto& c : cases) {
        context.startup.osVersion = c.os;
        EXPECT_EQ(FindWindowsFolder(context), c.folder) << c.os.major << "." << c.os.minor;
    }

    context.startup.osVersion = {5, 1, 2600, 2};
    fake.shell.RemoveSpecialFolder(platform::csidl::kWindows);
    EXPECT_EQ(FindWindowsFolder(context), "");
}

TEST_F(ToolRecord, RecordPathOfActiveAndParkedEnvironments) {
    AddEnvironment(kProductGuid, "C:\\A");
    AddEnvironment(ParkedName(1), "C:\\B");
    ASSERT_TRUE(environments::EnumerateEnvironments(context));

    EXPECT_EQ(ToolRecordPath(context, 0), kLiveRecord);
    EXPECT_EQ(ToolRecordPath(context, 1), ParkedRecord(ParkedName(1)));
}

// --- Sections -----------------------------------------------------------------------------

TEST_F(ToolRecord, SectionLinesComeInFileOrderWithTheLastOne) {
    WriteRecord(kLiveRecord,
                "[Install Version]\r\nVTX=4.08\r\nNoValue\r\n[Other]\r\nx=1\r\n"
                "[Installation Record]\r\n1=first\r\n2=second=part");

    EXPECT_EQ(Section(kLiveRecord, "install version"),
              (std::vector<std::string>{"VTX=4.08", "NoValue"}));
    EXPECT_EQ(Section(kLiveRecord, "Installation Record"),
              (std::vector<std::string>{"1=first", "2=second=part"}));
    EXPECT_TRUE(Section(kLiveRecord, "Missing").empty());
    EXPECT_TRUE(Section("C:\\WINDOWS\\none.ini", "Install Version").empty());
    EXPECT_EQ(LineValue("2=second=part"), "second=part");
    EXPECT_EQ(LineValue("NoValue"), "NoValue");
}

// Several KiB of record, also in Japanese, come from one read of the file.
TEST_F(ToolRecord, LargeSectionIsReadOnce) {
    std::string content = "[Installation Record]\r\n";
    std::vector<std::string> expected;
    for (int n = 0; n < 500; ++n) {
        char line[64];
        std::snprintf(line, sizeof line, "Step%03d=installed package number %03d", n, n);
        expected.push_back(std::string(line) + (n % 2 == 0 ? "" : " 日本語のツール"));
        content += expected.back() + "\r\n";
    }
    ASSERT_GT(content.size(), 16u * 1024);
    WriteRecord(kLiveRecord, content);

    EXPECT_EQ(Section(kLiveRecord, "Installation Record"), expected);
    EXPECT_EQ(fake.faults.Calls(fake::op::kGetSection), 1);
}

TEST_F(ToolRecord, SectionThatWouldFillABufferExactlyIsReadWhole) {
    // 1022 characters of entries with their zeros is what a cut 1024 buffer also looks like.
    const std::string first = "A=" + std::string(1016, 'x');  // 1018 characters + zero
    WriteRecord(kLiveRecord, "[S]\r\n" + first + "\r\nB=\r\n");

    EXPECT_EQ(Section(kLiveRecord, "S"), (std::vector<std::string>{first, "B="}));
    EXPECT_EQ(fake.faults.Calls(fake::op::kGetSection), 1);
}

// --- Version ------------------------------------------------------------------------------

struct VersionCase {
    const char* name;
    const char* lines;
    const char* version;
};

class ToolRecordVersion : public ToolRecord, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(ToolRecordVersion, PicksTheVersionLine) {
    WriteRecord(kLiveRecord, std::string("[Install Version]\r\n") + GetParam().lines);
    EXPECT_EQ(ReadToolRecordVersion(fake.profile, kLiveRecord), GetParam().version);
}

INSTANTIATE_TEST_SUITE_P(
    ToolRecord, ToolRecordVersion,
    ::testing::Values(VersionCase{"ExactVtxWins", "VTX2=4.07.00\r\nVTX=4.05.01\r\n", "V.4.05.01"},
                      VersionCase{"HighestWithoutExactVtx", "VTX2=4.07.00\r\nVTX3=4.08.00\r\n",
                                  "V.4.08.00"},
                      VersionCase{"FirstAmongEquals", "VTX2=4.08.0\r\nVTX3=4.080\r\n", "V.4.08.0"},
                      VersionCase{"ExactVtxStopsTheSearch", "VTX=1.00\r\nVTX2=9.00\r\n", "V.1.00"},
                      VersionCase{"ExactVtxWinsEvenWhenLower", "VTX2=9.0\r\nvtx=0.1\r\n", "V.0.1"},
                      VersionCase{"KeyPrefixAnyCase", "vtxTools=2.5\r\n", "V.2.5"},
                      VersionCase{"BlanksInsideTheValue", "VTX2=4. 08\r\nVTX3=4.07\r\n", "V.4. 08"},
                      VersionCase{"ZeroNumberNeverBeatsZero", "VTX2=abc\r\n", ""},
                      VersionCase{"ExactVtxWithoutNumber", "VTX2=3.0\r\nVTX=abc\r\n", "V.abc"},
                      VersionCase{"NoVtxLines", "MANUALS=1.0\r\nOther=2.0\r\n", ""},
                      VersionCase{"LastLineCounts", "Other=1\r\nVTX9=7.1", "V.7.1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ToolRecord, VersionOfMissingRecordIsEmpty) {
    EXPECT_EQ(ReadToolRecordVersion(fake.profile, kLiveRecord), "");
}

// --- Composition --------------------------------------------------------------------------

TEST_F(ToolRecord, CompositionSortsPackagesIntoCategories) {
    AddEnvironment(kProductGuid, "C:\\Tools\\Env4", "Vantorix 4");
    WriteRecord(kLiveRecord,
                "[Install Version]\r\nVTX=4.08.00.012\r\nManuals=1\r\nPlugin=2.0\r\n"
                "VTX2=1.0\r\n"
                "[Ini Version]\r\nVersion=2\r\n"
                "[Install Software]\r\n"
                "TOOLCHAIN1=a,b,c,Compiler V.9\r\n"
                "toolchain2=a,b,Compiler\r\n"
                "ToolChain3=Plain\r\n"
                "SDEBUGGER1=x,Sim\tDebugger\r\n"
                "EDEBUGGER1=p,q,r,s,t\r\n"
                "OTHER_A=1,2,3,4\r\n"
                "Unknown=1,2,3,4\r\n"
                "[Installation Record]\r\nA=one\r\nB=two=2\r\n");
    ASSERT_TRUE(environments::EnumerateEnvironments(context));

    const ToolComposition c = ReadToolComposition(context, 0);
    EXPECT_TRUE(c.entryReadable);
    EXPECT_EQ(c.location, "C:\\Tools\\Env4");
    EXPECT_TRUE(c.displayNameReadable);
    EXPECT_EQ(c.displayName, "Vantorix 4");
    EXPECT_EQ(c.version, "V.4.08.00.012");
    EXPECT_TRUE(c.categorised);
    EXPECT_TRUE(c.softwareListed);
    EXPECT_EQ(c.toolchains, (std::vector<std::string>{"Compiler V.9", "Compiler", "Plain"}));
    EXPECT_EQ(c.simulatorDebuggers, std::vector<std::string>{"Sim\tDebugger"});
    EXPECT_EQ(c.emulatorDebuggers, std::vector<std::string>{"s,t"});
    EXPECT_EQ(c.others, std::vector<std::string>{"4"});
    EXPECT_EQ(c.unclassified, std::vector<std::string>{"Plugin=2.0"});
    EXPECT_EQ(c.records, (std::vector<std::string>{"one", "two=2"}));
}

TEST_F(ToolRecord, RecordWithoutIniVersionIsNotReadFurther) {
    AddEnvironment(kProductGuid, "C:\\Env");
    WriteRecord(kLiveRecord,
                "[Install Version]\r\nVTX=4.0\r\nPlugin=2.0\r\n"
                "[Install Software]\r\nTOOLCHAIN1=Compiler\r\n"
                "[Installation Record]\r\nA=one\r\n");
    ASSERT_TRUE(environments::EnumerateEnvironments(context));

    const ToolComposition c = ReadToolComposition(context, 0);
    EXPECT_FALSE(c.categorised);
    EXPECT_FALSE(c.softwareListed);
    EXPECT_EQ(c.unclassified, std::vector<std::string>{"Plugin=2.0"});
    EXPECT_TRUE(c.toolchains.empty());
    EXPECT_TRUE(c.records.empty());
}

TEST_F(ToolRecord, PackageListsStopAtTheirLimit) {
    AddEnvironment(kProductGuid, "C:\\Env");
    std::string content = "[Install Version]\r\n";
    for (int n = 0; n < 300; ++n)
        content += "Pkg" + std::to_string(n) + "=1\r\n";
    content += "[Ini Version]\r\nV=1\r\n[Install Software]\r\n";
    for (int n = 0; n < 300; ++n)
        content += "TOOLCHAIN" + std::to_string(n) + "=t\r\n";
    content += "OTHER=o\r\n";
    WriteRecord(kLiveRecord, content);
    ASSERT_TRUE(environments::EnumerateEnvironments(context));

    const ToolComposition c = ReadToolComposition(context, 0);
    EXPECT_EQ(c.unclassified.size(), kMaxPackageEntries);
    EXPECT_EQ(c.unclassified.back(), "Pkg255=1");
    EXPECT_EQ(c.toolchains.size(), kMaxPackageEntries);
    EXPECT_TRUE(c.others.empty());  // reading stopped when the first list was full
}

TEST_F(ToolRecord, DisplayNameFallsBackToTheParkedName) {
    AddEnvironment(ParkedName(1), "C:\\A", "Parked");
    AddEnvironment(ParkedName(2), "C:\\B", "Parked B");
    SetEntryText(ParkedName(2), "DisplayName", "");
    ASSERT_TRUE(environments::EnumerateEnvironments(context));
    // Row 1 is not counted by the enumeration (empty "DisplayName"); put it in by hand.
    context.environments.Row(1) = {ParkedName(2), EntryKey(ParkedName(2))};
    context.environments.CountNextRow();

    ToolComposition c = ReadToolComposition(context, 0);
    EXPECT_TRUE(c.displayNameReadable);
    EXPECT_EQ(c.displayName, "Parked");
    c = ReadToolComposition(context, 1);
    EXPECT_TRUE(c.displayNameReadable);
    EXPECT_EQ(c.displayName, "Parked B");

    // The key cannot be opened for the display name.
    const int opens = fake.faults.Calls(fake::op::kOpenKey);
    fake.faults.FailAt(fake::op::kOpenKey, opens + 2, platform::error::kAccessDenied);
    c = ReadToolComposition(context, 0);
    EXPECT_TRUE(c.entryReadable);
    EXPECT_FALSE(c.displayNameReadable);
    EXPECT_EQ(c.displayName, "");
}

// --- Report -------------------------------------------------------------------------------

class ToolRecordReport : public ToolRecord {
  protected:
    void AddTwoEnvironments() {
        AddEnvironment(kProductGuid, "C:\\Tools\\Env4", "Vantorix 4");
        WriteRecord(kLiveRecord,
                    "[Install Version]\r\nVTX=4.08.00.012\r\nMANUALS=1\r\n"
                    "[Ini Version]\r\nVersion=2\r\n"
                    "[Install Software]\r\nTOOLCHAIN1=a,b,c,Compiler V.9\r\n"
                    "[Installation Record]\r\n1=Installed 2024-01-01\r\n");
        // Parked, without any record file.
        AddEnvironment(ParkedName(1), "C:\\Tools\\Env5", "Old");
    }

    std::string Report() { return fake.files.Content(kReportPath); }

    core::Notices notices;

    const std::string kReportPath = "C:\\Reports\\report.txt";
};

TEST_F(ToolRecordReport, EnglishReportHasTheExactLayout) {
    AddTwoEnvironments();
    fake.files.AddFolder("C:\\Reports");

    ASSERT_TRUE(WriteInstallationReport(context, kReportPath, notices));
    EXPECT_EQ(Report(),
              "\xEF\xBB\xBF"
              "[C:\\Tools\\Env4 [Active]]\r\n"
              "  Display Name=Vantorix 4\r\n"
              "  Version=V.4.08.00.012\r\n"
              "  Package\r\n"
              "    ToolChain\r\n"
              "      Compiler V.9\r\n"
              "  Installation Record\r\n"
              "    Installed 2024-01-01\r\n"
              "\r\n"
              "[C:\\Tools\\Env5]\r\n"
              "  Display Name=Old\r\n"
              "  Version=\r\n"
              "\r\n");
    EXPECT_EQ(InstanceCountRecord(), "2");
}

TEST_F(ToolRecordReport, JapaneseReportUsesTheJapaneseLabels) {
    context.texts = core::TextSet(true);
    AddTwoEnvironments();
    fake.files.AddFolder("C:\\Reports");

    ASSERT_TRUE(WriteInstallationReport(context, kReportPath, notices));
    EXPECT_EQ(Report(),
              "\xEF\xBB\xBF"
              "[C:\\Tools\\Env4 [Active]]\r\n"
              "  表示名=Vantorix 4\r\n"
              "  バージョン=V.4.08.00.012\r\n"
              "  構成\r\n"
              "    ツールチェイン\r\n"
              "      Compiler V.9\r\n"
              "  インストール履歴\r\n"
              "    Installed 2024-01-01\r\n"
              "\r\n"
              "[C:\\Tools\\Env5]\r\n"
              "  表示名=Old\r\n"
              "  バージョン=\r\n"
              "\r\n");
}

TEST_F(ToolRecordReport, EveryCategoryInItsOrderWithTabsKept) {
    AddEnvironment(kProductGuid, "C:\\E", "V");
    WriteRecord(kLiveRecord,
                "[Install Version]\r\nVTX=1.0\r\nPlugin=2.0\r\n"
                "[Ini Version]\r\nVersion=2\r\n"
                "[Install Software]\r\nOTHER1=o\r\nEDEBUGGER1=e\r\nSDEBUGGER1=s\tx\r\n"
                "TOOLCHAIN1=t\r\n");
    fake.files.AddFolder("C:\\Reports");

    ASSERT_TRUE(WriteInstallationReport(context, kReportPath, notices));
    EXPECT_EQ(Report(),
              "\xEF\xBB\xBF"
              "[C:\\E [Active]]\r\n"
              "  Display Name=V\r\n"
              "  Version=V.1.0\r\n"
              "  Package\r\n"
              "    ToolChain\r\n"
              "      t\r\n"
              "    Simulator Debugger\r\n"
              "      s\tx\r\n"
              "    Emulator Debugger\r\n"
              "      e\r\n"
              "    Other\r\n"
              "      o\r\n"
              "    Unclassified Package\r\n"
              "      Plugin=2.0\r\n"
              "\r\n");
}

TEST_F(ToolRecordReport, UncategorisedRecordListsWholeLinesUnderPackage) {
    AddEnvironment(kProductGuid, "C:\\E", "V");
    WriteRecord(kLiveRecord,
                "[Install Version]\r\nVTX=1.0\r\nPlugin=2.0\r\nmanuals_en=1\r\nDriver=3\r\n");
    fake.files.AddFolder("C:\\Reports");

    ASSERT_TRUE(WriteInstallationReport(context, kReportPath, notices));
    EXPECT_EQ(Report(),
              "\xEF\xBB\xBF"
              "[C:\\E [Active]]\r\n"
              "  Display Name=V\r\n"
              "  Version=V.1.0\r\n"
              "  Package\r\n"
              "    Plugin=2.0\r\n"
              "    Driver=3\r\n"
              "\r\n");
}

TEST_F(ToolRecordReport, CategorisedWithoutSoftwareShowsNoPackages) {
    AddEnvironment(kProductGuid, "C:\\E", "V");
    WriteRecord(kLiveRecord,
                "[Install Version]\r\nPlugin=2.0\r\n[Ini Version]\r\nVersion=2\r\n"
                "[Installation Record]\r\n1=r\r\n");
    fake.files.AddFolder("C:\\Reports");

    ASSERT_TRUE(WriteInstallationReport(context, kReportPath, notices));
    EXPECT_EQ(Report(),
              "\xEF\xBB\xBF"
              "[C:\\E [Active]]\r\n"
              "  Display Name=V\r\n"
              "  Version=\r\n"
              "  Installation Record\r\n"
              "    r\r\n"
              "\r\n");
}

TEST_F(ToolRecordReport, EntryThatCannotBeOpenedEndsTheReport) {
    AddEnvironment(ParkedName(1), "C:\\A", "First");
    AddEnvironment(ParkedName(2), "C:\\B", "Second");
    fake.files.AddFolder("C:\\Reports");
    // Opens: root and two subkeys (enumeration), two locations (sort), then the location and
    // both display names of row 0; the ninth is the location of row 1.
    fake.faults.FailAt(fake::op::kOpenKey, 9, platform::error::kAccessDenied);

    ASSERT_TRUE(WriteInstallationReport(context, kReportPath, notices));
    EXPECT_EQ(Report(),
              "\xEF\xBB\xBF"
              "[C:\\A]\r\n"
              "  Display Name=First\r\n"
              "  Version=\r\n"
              "\r\n");
}

TEST_F(ToolRecordReport, ReportWithoutEnvironmentsHoldsTheMarkOnly) {
    fake.files.AddFolder("C:\\Reports");
    ASSERT_TRUE(WriteInstallationReport(context, kReportPath, notices));
    EXPECT_EQ(Report(), "\xEF\xBB\xBF");
}

TEST_F(ToolRecordReport, UnwritableFileFailsWithoutAnyMessageOrSearch) {
    AddEnvironment(kProductGuid, "C:\\E", "V");
    fake.registry.RemoveKey(RegRoot::LocalMachine, core::kUninstallRoot);

    EXPECT_FALSE(WriteInstallationReport(context, "C:\\NoFolder\\report.txt", notices));
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(fake.faults.Calls(fake::op::kOpenKey), 0);
}

TEST_F(ToolRecordReport, SaveAsksForATextFileAndWritesUnderTheWaitCursor) {
    AddEnvironment(kProductGuid, "C:\\E", "V");
    fake.files.AddFolder("C:\\Reports");
    fake.ui.QueueFileToSave(kReportPath);

    pages::SaveInstallationReport(context, notices);

    ASSERT_EQ(fake.ui.SaveRequests().size(), 1u);
    const auto& request = fake.ui.SaveRequests()[0];
    EXPECT_EQ(request.defaultExtension, "txt");
    EXPECT_EQ(request.fileName, "");
    EXPECT_EQ(request.filters,
              (std::vector<std::pair<std::string, std::string>>{{"Text File(*.txt)", "*.txt"}}));
    EXPECT_EQ(Report(),
              "\xEF\xBB\xBF"
              "[C:\\E [Active]]\r\n"
              "  Display Name=V\r\n"
              "  Version=\r\n"
              "\r\n");
    EXPECT_EQ(fake.ui.WaitCursorCalls(), (std::vector<bool>{true, false}));
}

TEST_F(ToolRecordReport, SaveCancelledTellsNothingAndAFailedSaveNamesTheFile) {
    AddEnvironment(kProductGuid, "C:\\E", "V");

    pages::SaveInstallationReport(context, notices);  // cancelled
    EXPECT_TRUE(fake.ui.WaitCursorCalls().empty());
    EXPECT_EQ(fake.faults.Calls(fake::op::kOpenKey), 0);
    EXPECT_TRUE(notices.empty());

    fake.ui.QueueFileToSave(std::string("C:\\NoFolder\\report.txt"));
    pages::SaveInstallationReport(context, notices);
    EXPECT_FALSE(fake.files.Exists("C:\\NoFolder"));
    EXPECT_EQ(fake.ui.WaitCursorCalls(), (std::vector<bool>{true, false}));
    EXPECT_TRUE(fake.ui.MessageBoxes().empty());
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].text, "Can not write file. [C:\\NoFolder\\report.txt]");
}

// Every call of a save failing in turn: the report is replaced or the old one stays as it was;
// no half-written file is left beside it, and a file of the name it would use stays.
TEST_F(ToolRecordReport, AFailedSaveLeavesTheOldReportAsItWas) {
    AddTwoEnvironments();
    fake.files.AddFile(kReportPath, "old report");
    fake.files.AddFile("C:\\Reports\\report.txt.tmp", "the user's own");
    fake.faults.Reset();
    ASSERT_TRUE(WriteInstallationReport(context, kReportPath, notices));
    const std::vector<fake::Call> log = fake.faults.Log();

    for (std::size_t i = 0; i < log.size(); ++i) {
        SCOPED_TRACE(log[i].operation + "(" + log[i].subject + ")");
        fake.files.AddFile(kReportPath, "old report");
        fake.faults.Reset();
        const auto occurrence = std::count_if(
            log.begin(), log.begin() + static_cast<long>(i) + 1,
            [&](const fake::Call& call) { return call.operation == log[i].operation; });
        fake.faults.FailAt(log[i].operation, static_cast<int>(occurrence),
                           platform::error::kAccessDenied);
        const bool written = WriteInstallationReport(context, kReportPath, notices);
        fake.faults.Clear();
        EXPECT_EQ(Report() == "old report", !written);
        EXPECT_EQ(fake.files.ListTree("C:\\Reports"),
                  (std::vector<std::string>{"report.txt", "report.txt.tmp"}));
        EXPECT_EQ(fake.files.Content("C:\\Reports\\report.txt.tmp"), "the user's own");
    }
}

}  // namespace
}  // namespace velnora::testing

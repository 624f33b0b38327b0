// The real installer execution under Wine: velnora_installer_host.exe runs one stand-in
// installer through it while the test watches, from outside, the run state in
// %TEMP%\_autorun.ini and the logon value that would start the program again after a restart.
#include <gtest/gtest.h>

#include <chrono>
#include <cwchar>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/exit_codes.h"
#include "driver/driver.h"

namespace velnora::e2e {
namespace {

using Clock = std::chrono::steady_clock;

constexpr wchar_t kHost[] = L"velnora_installer_host.exe";
constexpr wchar_t kStandIn[] = L"vtx_installer_standin.exe";
constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"Autorun";
constexpr wchar_t kSection[] = L"General";
constexpr DWORD kReturnedOne = 101;  // the host's exit code when the run returned 1
constexpr DWORD kEndedByExecution = core::twinexit::kCutOff;
constexpr DWORD kReturnedZero = 100;  // after "Failed in installation."
constexpr long kGraceMs = 3000;
// The installer's end is seen by polling its marker file, on a busy machine sometimes late;
// an interval measured from it may look that much shorter. Far less than the grace time.
constexpr long kPollSlackMs = 300;
// The longest a run may take here: Wine on a busy machine is slow to start programs.
constexpr Milliseconds kRunTimeout{60000};

long MillisecondsBetween(Clock::time_point from, Clock::time_point to) {
    return static_cast<long>(std::chrono::duration_cast<Milliseconds>(to - from).count());
}

std::vector<std::string> MarkerEvents(const std::wstring& marker, const std::string& event) {
    std::vector<std::string> lines;
    std::istringstream text(ReadFileBytes(marker).value_or(""));
    for (std::string line; std::getline(text, line);) {
        if (line.rfind(event + "\t", 0) == 0) {
            lines.push_back(line);
        }
    }
    return lines;
}

// The "key=value" lines of the host's result file.
std::optional<long> ResultValue(const std::string& text, const std::string& key) {
    const std::string prefix = key + "=";
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(prefix, 0) == 0) {
            return std::stol(line.substr(prefix.size()));
        }
    }
    return std::nullopt;
}

enum class Stored { kKept, kCleared };

struct RunCase {
    const char* name;
    int index;
    int count;
    int form;  // 0 list, 1 single installer, 2 browse
    // The stand-in's arguments; nullptr starts a program that does not exist.
    const wchar_t* standin_arguments;
    long run_ms;
    DWORD host_exit;
    // "Continue" while the installer runs (nullptr: never written) and after the run.
    const wchar_t* continue_while_running;
    const wchar_t* continue_after;
    bool logon_value_after;
    // The ticks of the run's entries, "Prev" and the _<program>.ini left in TEMP.
    Stored run_keys_after;
    // The stand-in starts a child that is still running when the run returns.
    bool child_outlives_run = false;
};

const RunCase kRunCases[] = {
    {"LastEntryOfTheList", 2, 3, 0, L"--run-ms 2000", 2000, kReturnedOne, L"3", nullptr, false,
     Stored::kCleared},
    {"EntryBeforeTheLast", 0, 3, 0, L"--run-ms 2000", 2000, kReturnedOne, L"1", L"1", true,
     Stored::kKept},
    {"SingleInstaller", 0, 1, 1, L"--run-ms 2000", 2000, kReturnedOne, L"0", nullptr, false,
     Stored::kCleared},
    {"BrowsedInstallerKeepsItsOwnIndex", 1, 3, 2, L"--run-ms 2000", 2000, kReturnedOne, L"1", L"1",
     true, Stored::kKept},
    // Only the started process is waited for; its child still runs when the run returns.
    {"ChildIsNotWaitedFor", 0, 1, 1, L"--run-ms 2000 --spawn-child-ms 10000", 2000, kReturnedOne,
     L"0", nullptr, false, Stored::kCleared, true},
    // Gone within the first half second: the same entry is recorded to run again, and the
    // program ends.
    {"InstallerGoneAtOnce", 1, 3, 0, L"", 0, kEndedByExecution, nullptr, L"1", true, Stored::kKept},
    // Cannot be started: a failed installation that leaves the run state as it was.
    {"InstallerCannotStart", 2, 3, 0, nullptr, 0, kReturnedZero, nullptr, nullptr, false,
     Stored::kKept},
};

// Failure messages name the case, not its bytes.
void PrintTo(const RunCase& c, std::ostream* out) {
    *out << c.name;
}

class InstallerRun : public testing::TestWithParam<RunCase> {
  protected:
    void SetUp() override {
        temp_ = TempFolder();
        ASSERT_FALSE(temp_.empty());
        state_file_ = temp_ + L"\\_autorun.ini";
        leftover_ = temp_ + L"\\_velnora_installer_host.ini";
        marker_ = temp_ + L"\\velnora-e2e-installer-marker.txt";
        result_file_ = temp_ + L"\\velnora-e2e-installer-result.txt";
        saved_state_ = ReadFileBytes(state_file_);
        // The logon value is in the 32-bit view, where the driver looks by default. 64-bit
        // Windows has the Run key there; a Wine prefix made without Wine's 32-bit half lacks
        // it, and the program only opens the key, never creates it, so it is made here.
        if (!RegistryKeyExists(HKEY_LOCAL_MACHINE, kRunKey)) {
            ASSERT_TRUE(CreateRegistryKey(HKEY_LOCAL_MACHINE, kRunKey));
            created_run_key_ = true;
        }
        saved_logon_ = ReadRegistryString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue);
        ASSERT_FALSE(FileExists(BesideTestProgram(L"autorun.ini")))
            << "an autorun.ini beside the host would take the run state";

        // A run in progress: the ticks of four entries, the last installer, and the file a
        // previous version of the program left in TEMP.
        DeleteFileW(state_file_.c_str());
        DeleteFileW(marker_.c_str());
        DeleteFileW(result_file_.c_str());
        for (const wchar_t* key : kTickKeys) {
            ASSERT_TRUE(WritePrivateProfileStringW(kSection, key, L"1", state_file_.c_str()));
        }
        ASSERT_TRUE(WritePrivateProfileStringW(kSection, L"Prev", L"C:\\previous\\setup.exe",
                                               state_file_.c_str()));
        ASSERT_TRUE(WriteFileBytes(leftover_, "[General]\r\n"));
        ASSERT_TRUE(DeleteLogonValue());
    }

    void TearDown() override {
        if (saved_state_) {
            WriteFileBytes(state_file_, *saved_state_);
        } else {
            DeleteFileW(state_file_.c_str());
        }
        if (saved_logon_) {
            WriteRegistryString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, *saved_logon_);
        } else if (created_run_key_) {
            DeleteRegistryTree(HKEY_LOCAL_MACHINE, kRunKey);
        } else {
            DeleteLogonValue();
        }
        DeleteFileW(leftover_.c_str());
        DeleteFileW(marker_.c_str());
        DeleteFileW(result_file_.c_str());
    }

    static bool DeleteLogonValue() {
        return DeleteRegistryValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValue);
    }

    std::optional<std::wstring> Continue() const {
        return ReadProfileString(state_file_, kSection, L"Continue");
    }
    std::optional<std::wstring> LogonValue() const {
        return ReadRegistryString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue);
    }
    static std::optional<std::wstring> Optional(const wchar_t* text) {
        return text ? std::optional<std::wstring>(text) : std::nullopt;
    }

    // User_Selection_Install_00 to _03: a run of three entries owns the first three.
    static constexpr const wchar_t* kTickKeys[] = {
        L"User_Selection_Install_00", L"User_Selection_Install_01", L"User_Selection_Install_02",
        L"User_Selection_Install_03"};

    std::wstring temp_;
    std::wstring state_file_;
    std::wstring leftover_;
    std::wstring marker_;
    std::wstring result_file_;
    std::optional<std::string> saved_state_;
    std::optional<std::wstring> saved_logon_;
    bool created_run_key_ = false;
};

TEST_P(InstallerRun, RecordsTheResumePointWhileTheInstallerRunsAndClearsItAfterTheLast) {
    const RunCase& c = GetParam();
    std::wstring command;
    if (c.standin_arguments != nullptr) {
        command = QuoteArgument(BesideTestProgram(kStandIn)) + L" --marker " +
                  QuoteArgument(marker_) + L" " + c.standin_arguments;
    } else {
        command = QuoteArgument(BesideTestProgram(L"no_such_installer.exe"));
    }
    const std::wstring expected_logon = L"\"" + BesideTestProgram(kHost) + L"\"";

    Program host = Program::Start(BesideTestProgram(kHost),
                                  {std::to_wstring(c.index), std::to_wstring(c.count),
                                   std::to_wstring(c.form), result_file_, command});
    ASSERT_TRUE(host.Started()) << "error " << host.StartError();

    if (c.host_exit == kReturnedOne) {
        // While the installer runs: the resume point and the logon value are there.
        const bool recorded = WaitUntil(
            [&] {
                return Continue() == Optional(c.continue_while_running) &&
                       LogonValue() == std::optional<std::wstring>(expected_logon);
            },
            kRunTimeout);
        EXPECT_TRUE(recorded) << "Continue: " << Narrow(Continue().value_or(L"(none)"))
                              << ", logon value: " << Narrow(LogonValue().value_or(L"(none)"));
        EXPECT_TRUE(host.Running()) << "the run state was seen only after the run";
        EXPECT_TRUE(MarkerEvents(marker_, "end").empty()) << "seen only after the installer";

        // The installer's end; the state stays through the grace time after it.
        ASSERT_TRUE(WaitUntil([&] { return !MarkerEvents(marker_, "end").empty(); }, kRunTimeout));
        const Clock::time_point installer_ended = Clock::now();
        if (!c.logon_value_after) {
            ASSERT_TRUE(WaitUntil([&] { return !LogonValue(); }, kRunTimeout));
            const long cleared_after = MillisecondsBetween(installer_ended, Clock::now());
            RecordProperty("cleared_after_installer_end_ms", static_cast<int>(cleared_after));
            EXPECT_GE(cleared_after, kGraceMs - kPollSlackMs)
                << "the run state was cleared before the grace time was over";
        }
    }

    if (c.host_exit == kReturnedZero) {
        const auto box = WaitForMessageBox(host.Id(), L"Error");
        ASSERT_TRUE(box) << "no failure box";
        EXPECT_EQ(box->text, L"Failed in installation.");
        ASSERT_TRUE(AnswerMessageBox(*box, IDOK));
    }
    const std::optional<DWORD> exit_code = host.WaitForExit(kRunTimeout);
    ASSERT_TRUE(exit_code) << "the host still runs";
    EXPECT_EQ(*exit_code, c.host_exit);
    const std::optional<std::string> result = ReadFileBytes(result_file_);
    if (c.host_exit == kReturnedOne) {
        ASSERT_TRUE(result);
        EXPECT_EQ(ResultValue(*result, "result"), std::optional<long>(1));
        const std::optional<long> elapsed = ResultValue(*result, "elapsed_ms");
        ASSERT_TRUE(elapsed);
        RecordProperty("run_installer_ms", static_cast<int>(*elapsed));
        EXPECT_GE(*elapsed, c.run_ms + kGraceMs);
    } else if (c.host_exit == kReturnedZero) {
        ASSERT_TRUE(result);
        EXPECT_EQ(ResultValue(*result, "result"), std::optional<long>(0));
    } else {
        EXPECT_FALSE(result) << "the run was to end the program, yet it returned";
    }

    EXPECT_EQ(Continue(), Optional(c.continue_after));
    EXPECT_EQ(LogonValue(),
              c.logon_value_after ? std::optional<std::wstring>(expected_logon) : std::nullopt);
    const bool kept = c.run_keys_after == Stored::kKept;
    for (int i = 0; i < 4; ++i) {
        // Cleared are the ticks of the run's own entries only.
        const bool tick_kept = kept || i >= c.count;
        EXPECT_EQ(ReadProfileString(state_file_, kSection, kTickKeys[i]).has_value(), tick_kept)
            << Narrow(kTickKeys[i]);
    }
    EXPECT_EQ(ReadProfileString(state_file_, kSection, L"Prev").has_value(), kept);
    EXPECT_EQ(FileExists(leftover_), kept);

    if (c.child_outlives_run) {
        // The installer and its child started; only the installer had ended by the return.
        EXPECT_EQ(MarkerEvents(marker_, "start").size(), 2u);
        EXPECT_EQ(MarkerEvents(marker_, "end").size(), 1u);
        // Not left behind for the next case.
        EXPECT_TRUE(
            WaitUntil([&] { return MarkerEvents(marker_, "end").size() == 2; }, kRunTimeout));
    }
}

INSTANTIATE_TEST_SUITE_P(RunInstaller, InstallerRun, testing::ValuesIn(kRunCases),
                         [](const testing::TestParamInfo<RunCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace velnora::e2e

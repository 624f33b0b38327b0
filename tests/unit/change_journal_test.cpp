// The change journal: its bytes are read back only when they are exactly a journal, and a
// write that fails at any call leaves the journal before it whole.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "fake/fake_platform.h"
#include "fake/fault_sweep.h"
#include "flows/change_journal.h"
#include "flows/uninstall_environment.h"
#include "fake/scripted_prompt.h"
#include "flows/change_active.h"
#include "installer/context.h"
#include "switch_machine.h"

namespace velnora::testing {
namespace {

using flows::ChangeJournal;
using flows::FoundJournal;
using flows::JournalOperation;
using flows::JournalPhase;

constexpr char kParked[] = "{11111111-2222-3333-4444-555555555555}";
constexpr char kIncoming[] = "{66666666-7777-8888-9999-AAAAAAAAAAAA}";
const std::string kFolder = std::string(fake::machine::kCommonAppData) + "\\Velnora";
const std::string kPath = kFolder + "\\change.journal";

std::string Text(const char* operation, const char* parked, const char* incoming, const char* phase,
                 const char* step, const char* state) {
    return std::string("Velnora change journal 1\r\noperation=") + operation +
           "\r\nparked=" + parked + "\r\nincoming=" + incoming + "\r\nphase=" + phase +
           "\r\nstep=" + step + "\r\nstate=" + state + "\r\n";
}

struct ParseCase {
    const char* name;
    std::string text;
    std::optional<ChangeJournal> journal;
};

ChangeJournal Journal(JournalOperation operation, const char* incoming, JournalPhase phase,
                      int step, bool ended) {
    return ChangeJournal{operation, kParked, incoming, phase, step, ended};
}

TEST(ChangeJournalText, IsReadOnlyWhenItIsExactlyAJournal) {
    const std::string change = Text("change", kParked, kIncoming, "activation", "3", "begun");
    const ParseCase cases[] = {
        {"Change", Text("change", kParked, kIncoming, "activation", "3", "begun"),
         Journal(JournalOperation::kChange, kIncoming, JournalPhase::kActivation, 3, false)},
        {"InstallParksOnly", Text("install", kParked, "", "deactivation", "8", "ended"),
         Journal(JournalOperation::kInstall, "", JournalPhase::kDeactivation, 8, true)},
        {"Uninstall", Text("uninstall", kParked, kIncoming, "deactivation", "1", "begun"),
         Journal(JournalOperation::kUninstall, kIncoming, JournalPhase::kDeactivation, 1, false)},
        {"NothingWentOut", Text("change", "", kIncoming, "restore", "8", "ended"),
         ChangeJournal{JournalOperation::kChange, "", kIncoming, JournalPhase::kRestore, 8, true}},
        {"NeitherName", Text("change", "", "", "activation", "3", "begun"), std::nullopt},
        {"Empty", "", std::nullopt},
        {"OtherVersion", "Velnora change journal 2" + change.substr(24), std::nullopt},
        {"CutInTheMiddle", change.substr(0, change.size() / 2), std::nullopt},
        {"NoFinalLineEnd", change.substr(0, change.size() - 2), std::nullopt},
        {"LineFeedsOnly", "Velnora change journal 1\noperation=change\n", std::nullopt},
        {"TrailingLine", change + "extra=1\r\n", std::nullopt},
        {"UnknownOperation", Text("move", kParked, kIncoming, "activation", "3", "begun"),
         std::nullopt},
        {"LiveGuidAsParked",
         Text("change", "{3B9F02D6-4C71-4E8A-B5D3-1F60A2C7E948}", kIncoming, "activation", "3",
              "begun"),
         std::nullopt},
        {"IncomingIsTheParked", Text("change", kParked, kParked, "activation", "3", "begun"),
         std::nullopt},
        {"ShortIncoming", Text("change", kParked, "{1}", "activation", "3", "begun"), std::nullopt},
        {"StepZero", Text("change", kParked, kIncoming, "activation", "0", "begun"), std::nullopt},
        {"StepNine", Text("change", kParked, kIncoming, "activation", "9", "begun"), std::nullopt},
        {"StepWithSign", Text("change", kParked, kIncoming, "activation", "+3", "begun"),
         std::nullopt},
        {"UnknownState", Text("change", kParked, kIncoming, "activation", "3", "done"),
         std::nullopt},
        {"KeysSwapped",
         "Velnora change journal 1\r\nparked=" + std::string(kParked) +
             "\r\noperation=change\r\nincoming=\r\nphase=activation\r\nstep=3\r\nstate=begun\r\n",
         std::nullopt},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(flows::ParseJournal(c.text), c.journal);
        if (c.journal) {
            EXPECT_EQ(flows::JournalText(*c.journal), c.text);
        }
    }
}

class ChangeJournalStore : public ::testing::Test {
  protected:
    ChangeJournalStore() { context.startup.managerBaseName = "Velnora"; }

    FoundJournal::Kind Kind() { return flows::ReadJournal(context).kind; }

    fake::FakePlatform fake;
    installer::Context context{fake.Get()};
};

TEST_F(ChangeJournalStore, IsWrittenReadKeptAsideAndCleared) {
    EXPECT_EQ(Kind(), FoundJournal::Kind::kNone);
    const ChangeJournal first =
        Journal(JournalOperation::kChange, kIncoming, JournalPhase::kDeactivation, 2, true);
    ASSERT_TRUE(flows::WriteJournal(context, first));
    FoundJournal found = flows::FindJournal(context);
    EXPECT_EQ(found.kind, FoundJournal::Kind::kPending);
    EXPECT_EQ(found.journal, first);
    EXPECT_FALSE(fake.files.Exists(kPath + ".new"));

    ASSERT_TRUE(flows::ClearJournal(context));
    EXPECT_EQ(Kind(), FoundJournal::Kind::kNone);
    EXPECT_TRUE(flows::ClearJournal(context));

    // Bad bytes: the status only reads them; a start keeps them aside, under a free name.
    fake.files.AddFile(kPath, "Velnora change journal 1\r\nope\xFF");
    fake.files.AddFile(kPath + ".unreadable", "older");
    EXPECT_EQ(Kind(), FoundJournal::Kind::kUnreadable);
    EXPECT_TRUE(fake.files.Exists(kPath));
    found = flows::FindJournal(context);
    EXPECT_EQ(found.kind, FoundJournal::Kind::kUnreadable);
    EXPECT_EQ(found.keptAside, kPath + ".unreadable.2");
    std::string kept;
    ASSERT_EQ(fake.files.ReadText(found.keptAside, kept), platform::error::kSuccess);
    EXPECT_EQ(kept, "Velnora change journal 1\r\nope\xFF");
    EXPECT_EQ(Kind(), FoundJournal::Kind::kNone);
}

// Whichever call of a write fails, the journal in place is the one before or the new one,
// never a part of either.
TEST(ChangeJournalSweep, AFailedWriteLeavesTheJournalBeforeItWhole) {
    const ChangeJournal before =
        Journal(JournalOperation::kChange, kIncoming, JournalPhase::kDeactivation, 4, true);
    const ChangeJournal next =
        Journal(JournalOperation::kChange, kIncoming, JournalPhase::kDeactivation, 5, false);
    struct Machine {
        fake::FakePlatform fake;
        installer::Context context{fake.Get()};
        explicit Machine(const ChangeJournal& journal) {
            context.startup.managerBaseName = "Velnora";
            flows::WriteJournal(context, journal);
            fake.faults.Reset();
        }
    };
    Machine reference(before);
    ASSERT_TRUE(flows::WriteJournal(reference.context, next));
    const auto log = reference.fake.faults.Log();

    const fake::SweepReport report = fake::SweepEveryCall(log, [&](const fake::ArmFault& arm) {
        Machine machine(before);
        arm(machine.fake.faults);
        const bool written = flows::WriteJournal(machine.context, next);
        const FoundJournal found = flows::ReadJournal(machine.context);
        fake::FaultRun run;
        run.outcome = written ? "written" : "refused";
        if (found.kind != FoundJournal::Kind::kPending)
            run.problems.push_back("no journal to read");
        else if (found.journal != (written ? next : before))
            run.problems.push_back("the journal in place is not the one expected");
        return run;
    });
    EXPECT_TRUE(report.failures.empty()) << report.FailureText();
    EXPECT_EQ(report.outcomes.count("refused"), 1u) << report.OutcomeText();
}

// Every change of an environment's material is made while the journal in place names its step
// or a later one (what a start after a power loss reads), the going out before the coming in; a
// change that has ended leaves no journal.
TEST(ChangeJournalOfASwitch, NamesTheStepOfEveryChangeAndGoesAtTheEnd) {
    const auto prepare = [] {
        auto machine = std::make_unique<SwitchMachine>();
        machine->InstallTidewatch(true);
        machine->InstallEnvironment({kGuid, "A"});
        machine->InstallEnvironment({ParkedKey(2), "B"});
        machine->fake.faults.Reset();
        return machine;
    };
    auto reference = prepare();
    fake::ScriptedPrompt referencePrompt;
    ASSERT_EQ(flows::ChangeActiveEnvironment(reference->context, referencePrompt, ParkedKey(2)),
              flows::ChangeOutcome::kChanged);
    const std::vector<fake::Call> log = reference->fake.faults.Log();
    const std::string path = *flows::JournalPath(reference->context);
    EXPECT_FALSE(reference->fake.files.Exists(path));

    struct Seen {
        std::size_t call;
        int step;
        std::optional<ChangeJournal> journal;
    };
    std::vector<Seen> seen;
    auto machine = prepare();
    for (std::size_t i = 0; i < log.size(); ++i) {
        const int step = StepOfCall(log[i]);
        if (step == 0)
            continue;
        machine->fake.faults.ActAt(log[i].operation, OccurrenceOf(log, i), [&, i, step] {
            std::string text;
            machine->fake.files.ReadText(path, text);
            seen.push_back({i, step, flows::ParseJournal(text)});
        });
    }
    fake::ScriptedPrompt prompt;
    ASSERT_EQ(flows::ChangeActiveEnvironment(machine->context, prompt, ParkedKey(2)),
              flows::ChangeOutcome::kChanged);
    EXPECT_FALSE(machine->fake.files.Exists(path));

    ASSERT_GT(seen.size(), 16u);
    JournalPhase phase = JournalPhase::kDeactivation;
    for (const Seen& s : seen) {
        SCOPED_TRACE(log[s.call].operation + " " + log[s.call].subject);
        ASSERT_TRUE(s.journal.has_value());
        // At least: the old copy of the association (step 7) goes after the last step.
        EXPECT_GE(s.journal->step, s.step);
        EXPECT_FALSE(s.journal->stepEnded);
        EXPECT_EQ(s.journal->parkedName, FirstGuidName());
        EXPECT_EQ(s.journal->incoming, ParkedKey(2));
        EXPECT_GE(s.journal->phase, phase);
        phase = s.journal->phase;
    }
    EXPECT_EQ(phase, JournalPhase::kActivation);
}

// A rollback that could not put everything back leaves the journal, and with it no switch
// touches the live material until the change is finished or undone.
TEST(ChangeJournalOfASwitch, ARollbackThatLeftPartsKeepsTheJournal) {
    SwitchMachine machine;
    machine.InstallEnvironment({kGuid, "A"});
    machine.InstallEnvironment({ParkedKey(2), "B"});
    const std::string path = *flows::JournalPath(machine.context);
    // Every file move from the installer information folder's on fails, the rollback's too.
    machine.fake.faults.Reset();
    {
        fake::ScriptedPrompt reference;
        SwitchMachine probe;
        probe.InstallEnvironment({kGuid, "A"});
        probe.InstallEnvironment({ParkedKey(2), "B"});
        probe.fake.faults.Reset();
        ASSERT_EQ(flows::ChangeActiveEnvironment(probe.context, reference, ParkedKey(2)),
                  flows::ChangeOutcome::kChanged);
        const auto& log = probe.fake.faults.Log();
        for (std::size_t i = 0; i < log.size(); ++i)
            if (log[i].operation == fake::op::kMoveFile && StepOfCall(log[i]) == 3) {
                machine.fake.faults.FailFrom(fake::op::kMoveFile, OccurrenceOf(log, i),
                                             platform::error::kAccessDenied);
                break;
            }
    }
    fake::ScriptedPrompt prompt;
    EXPECT_EQ(flows::ChangeActiveEnvironment(machine.context, prompt, ParkedKey(2)),
              flows::ChangeOutcome::kFailedPreviousBack);
    machine.fake.faults.Clear();
    const FoundJournal found = flows::ReadJournal(machine.context);
    ASSERT_EQ(found.kind, FoundJournal::Kind::kPending);
    EXPECT_EQ(found.journal.phase, JournalPhase::kDeactivation);
    EXPECT_EQ(found.journal.step, 3);

    fake::ScriptedPrompt next;
    EXPECT_EQ(flows::ChangeActiveEnvironment(machine.context, next, ParkedKey(2)),
              flows::ChangeOutcome::kRefused);
    ASSERT_FALSE(next.notices.empty());
    EXPECT_NE(next.notices[0].text.find(path), std::string::npos);
}

// While a change is unfinished, or its journal unreadable, neither a change nor an uninstall
// switches anything: the live material may be half of a parked environment.
TEST(ChangeJournalOfASwitch, AnUnfinishedChangeStopsEverySwitch) {
    struct Case {
        const char* name;
        std::string journal;
        bool uninstall;
    };
    const Case cases[] = {
        {"ChangeAfterAChange", Text("change", kParked, kIncoming, "deactivation", "3", "begun"),
         false},
        {"UninstallAfterAChange", Text("change", kParked, kIncoming, "activation", "5", "ended"),
         true},
        {"ChangeBesideAnUnreadableJournal", "Velnora change journal 7\r\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SwitchMachine machine;
        machine.InstallEnvironment({kGuid, "A"});
        machine.InstallEnvironment({ParkedKey(2), "B"});
        const std::string path = *flows::JournalPath(machine.context);
        machine.fake.files.AddFolder(path.substr(0, path.rfind('\\')));
        machine.fake.files.AddFile(path, c.journal);
        const std::string before = machine.State();
        fake::ScriptedPrompt prompt;
        if (c.uninstall)
            EXPECT_EQ(flows::UninstallEnvironment(machine.context, prompt, ParkedKey(2)).outcome,
                      flows::UninstallOutcome::kRefused);
        else
            EXPECT_EQ(flows::ChangeActiveEnvironment(machine.context, prompt, ParkedKey(2)),
                      flows::ChangeOutcome::kRefused);
        EXPECT_EQ(machine.State(), before);
        ASSERT_EQ(prompt.notices.size(), 1u);
        EXPECT_NE(prompt.notices[0].text.find("was interrupted"), std::string::npos);
        EXPECT_NE(prompt.notices[0].text.find(path), std::string::npos);
    }
}

}  // namespace
}  // namespace velnora::testing

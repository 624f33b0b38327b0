// The journal of a change of the active environment: which operation runs, which environment
// goes out under which parked name, which one comes in, and the step reached. It is written
// through to the disk and replaced in one move before a step begins and after it ends, so that
// a start after a power loss finds where the change stood.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <string_view>

#include "core/notice.h"
#include "environments/activation_switch.h"

namespace velnora::core {
struct Context;
}

namespace velnora::flows {

// Whose switches the journal follows.
enum class JournalOperation { kChange, kUninstall, kInstall };

// The active environment going out, the chosen one coming in, and the one that went out
// coming back after the chosen one could not.
enum class JournalPhase { kDeactivation, kActivation, kRestore };

struct ChangeJournal {
    JournalOperation operation = JournalOperation::kChange;
    // The parked name the active environment goes to; empty when none was active.
    std::string parkedName;
    // The parked name of the environment that comes in; empty when only the active one is
    // parked (an install beside it).
    std::string incoming;
    JournalPhase phase = JournalPhase::kDeactivation;
    int step = 1;  // the component moving, 1 to 8
    // The step has ended; until then it may be half done.
    bool stepEnded = false;

    bool operator==(const ChangeJournal&) const = default;
};

// The bytes of a journal, and back. A text that is not exactly such a journal (other bytes,
// another version, a value out of range) reads as nothing.
std::string JournalText(const ChangeJournal& journal);
std::optional<ChangeJournal> ParseJournal(std::string_view text);

// What a start finds.
struct FoundJournal {
    enum class Kind { kNone, kPending, kUnreadable, kFailed };
    Kind kind = Kind::kNone;
    ChangeJournal journal;  // kPending
    std::string path;       // where it was looked for; empty when the folder is unknown
    // kUnreadable: where the unreadable journal was kept aside (empty when it could not be
    // moved, and it stays where it was).
    std::string keptAside;
};

// "<common application data>\<manager>\change.journal"; nothing when the folder is unknown.
std::optional<std::string> JournalPath(core::Context& context);

// Writes the journal beside its place and moves it there, both through to the disk. The
// journal's folder is made when missing. False when the new journal is not in place; the
// previous one is then still whole.
bool WriteJournal(core::Context& context, const ChangeJournal& journal);

// Reads the journal and changes nothing: an unreadable one stays where it is.
FoundJournal ReadJournal(core::Context& context);

// Reads the journal as a start does: one that cannot be read is moved aside under a name of
// its own and never acted on.
FoundJournal FindJournal(core::Context& context);

// The change has ended: nothing is left to finish or undo.
bool ClearJournal(core::Context& context);

// What stops a switch while a change was left unfinished, or a journal cannot be read: its
// live material may belong to an environment that is only partly parked, and a switch would
// clear it. Nothing when no journal is found.
std::optional<core::Notice> InterruptedChangeNotice(core::Context& context);

// Writes the journal as a change's switches go: before each step begins, and once the last
// step of a switch has ended. A step whose journal cannot be written does not begin.
class JournalledSteps final : public environments::SwitchSteps {
  public:
    JournalledSteps(core::Context& context, ChangeJournal journal)
        : context_(context), journal_(std::move(journal)) {}

    // The switch that follows.
    void Phase(JournalPhase phase) { journal_.phase = phase; }
    bool Begins(int step) override;
    void Ended() override;
    void RollbackFailed() override { rollbackFailed_ = true; }

    // Some environment is split between its names: the journal must stay for the recovery,
    // and keep every other switch away from the live material.
    bool LeftSplit() const { return rollbackFailed_; }

  private:
    bool Write();

    core::Context& context_;
    ChangeJournal journal_;
    std::optional<std::string> path_;  // found and made at the first write
    bool rollbackFailed_ = false;
};

}  // namespace velnora::flows

// The install run behind the installer page's Install button: the machine is prepared for the
// vendor installers (Tidewatch ended, the active environment checked or parked, the user
// information and the restart request written), the ticked installers run one after another,
// and what they did or did not create is repaired afterwards.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/notice.h"
#include "flows/prompt.h"
#include "installer/execution.h"

namespace velnora::core {
struct Context;
}

namespace velnora::installer {
struct Context;
}

namespace velnora::flows {

// The run's notices go to a prompt as they arise.
class PromptWatch final : public installer::RunWatch {
  public:
    explicit PromptWatch(Prompt& prompt) : prompt_(prompt) {}
    void Tell(const core::Notice& notice) override { prompt_.Tell(notice); }

  private:
    Prompt& prompt_;
};

// What the run needs of the view that starts it and shows it: the installer page, or a console
// that answers from its options.
class RunView {
  public:
    virtual ~RunView() = default;

    virtual int Form() const = 0;  // pageform::*
    // The entry a resumed run goes on with; 0 for a fresh run.
    virtual int ResumeIndex() const = 0;
    virtual int EntryCount() const = 0;
    virtual bool IsTicked(int entry) const = 0;
    // False: a quiet run, which stops at a missing installer instead of skipping it.
    virtual bool Interactive() const = 0;
    // The installer path of the single and browse forms.
    virtual std::string InstallerPath() = 0;

    // Back, Install and Exit.
    virtual void EnableButtons(bool enabled) = 0;
    virtual void EnableExit() = 0;
    // The page and the main window go to the task bar while installers run.
    virtual void MinimizeForRun() = 0;
    virtual bool IsMinimized() const = 0;
    virtual void Hide() = 0;
    virtual std::string MainTitle() = 0;
    virtual void SetMainTitle(const std::string& title) = 0;
    virtual void RestorePageTitle() = 0;
    // Where the run tells what it has to say; a notice over the page is shown over this view.
    virtual Prompt& RunPrompt() = 0;
};

// Where the run and the page talk to the installers in the live tool record.
inline constexpr char kInstallManagerSection[] = "Install Manager";
inline constexpr char kRebootKey[] = "bWindowsReboot";

// Half-second polls a run may spend waiting for a previous installer, over the whole process.
inline constexpr std::uint32_t kMaxWaitPolls = 18000;
inline constexpr std::uint32_t kWaitPollSleepMs = 500;
// "Prev" keeps at most this many characters of the installer path.
inline constexpr std::size_t kMaxPrevLength = 1299;

// How a run of the installers ended.
enum class RunOutcome {
    // The installers ran (a resumed run may find none left to run) and the environment table
    // was read again afterwards.
    kCompleted,
    // Nothing ran, or the run stopped on the way.
    kStopped,
};

// Runs the installers of the page.
RunOutcome InstallRun(installer::Context& context, RunView& page);

// The run, and after a completed one the install manager's own copy.
RunOutcome RunInstallers(installer::Context& context, RunView& page);

// The installers themselves: completed when the last installer started ran and ended, or when
// a resumed run has none left to run.
RunOutcome RunSequence(installer::Context& context, RunView& page);

// Writes `key` into [Install Manager] of the live tool record; false, with a notice, when the
// Windows folder is missing or the file cannot be written.
bool WriteInstallManagerKey(core::Context& context, const std::string& key,
                            const std::string& value, core::Notices& notices);

// What became of an installer's request to restart Windows.
enum class RestartEnd {
    kNone,           // nobody asked for a restart
    kRestarting,     // the user agreed; Windows is asked to restart
    kRestartNeeded,  // the user declined: the installation is complete only after one
};

// After a run whose installers ended: the request an installer left in the tool record (taken
// back, so it is asked once) or the medium's own asks the user to restart now.
RestartEnd OfferRestart(installer::Context& context, Prompt& prompt, bool restartPc, bool force);

// The live tool record's bytes; nothing when it is missing or cannot be read.
std::optional<std::string> ToolRecordContent(core::Context& context);
bool DeleteToolRecord(core::Context& context);

}  // namespace velnora::flows

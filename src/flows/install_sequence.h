// The install sequence: where a new environment goes, then the installer page's choice and run,
// Standard Install into the active environment or Multi Install into a folder beside the others,
// and the Autorun start mode's install; and the run a restart cut off, which goes on where it
// stopped.
#pragma once

#include <optional>
#include <string>

#include "core/notice.h"
#include "flows/prompt.h"

namespace velnora::core {
struct Context;
}

namespace velnora::environments {
struct Context;
}

namespace velnora::flows {

enum class InstallKind { kStandard, kMulti };

// How the installer page ended: its run completed (the own copy installed), or it came back.
enum class InstallerPageEnd {
    kCompleted,
    // Completed, and the user declined the restart an installer asked for.
    kRestartNeeded,
    // The page skipped the choice and its run stopped: shown again it would start the same run.
    kStopped,
    kLeft,
};

// What the pieces a person picks are asked through: the destination page, the installer page
// (the choice of installers and the view of the run it starts), or a console's options.
class InstallPrompt : public Prompt {
  public:
    // The folder of a new environment, checked with RefuseDestination; nothing when the user
    // left.
    virtual std::optional<std::string> ChooseDestination() = 0;
    // The choice of installers and the run of them (RunInstallers); a saved resume point makes
    // it go on at once.
    virtual InstallerPageEnd SelectAndRun() = 0;
};

// An install prompt that tells, asks, offers and reports through another prompt: a view adds
// only the destination and the installer page.
class InstallPromptOver : public InstallPrompt {
  public:
    explicit InstallPromptOver(Prompt& inner) : inner_(inner) {}

    void Tell(const core::Notice& notice) override { inner_.Tell(notice); }
    bool Ask(const core::Notice& question) override { return inner_.Ask(question); }
    std::optional<std::string> ChooseEnvironment(
        const std::vector<EnvironmentChoice>& choices) override {
        return inner_.ChooseEnvironment(choices);
    }
    void Progress(std::string_view step) override { inner_.Progress(step); }

  private:
    Prompt& inner_;
};

enum class InstallOutcome {
    kCompleted,
    // The installers completed; Windows must restart before the installation is.
    kRestartNeeded,
    kLeft,
    // A run stopped and there is no folder page to go back to.
    kStopped,
    // The search of the environments failed (and said so): every turn would fail again.
    kFailed,
};

inline std::string_view OutcomeName(InstallOutcome outcome) {
    static constexpr std::string_view kNames[] = {"completed", "completed, restart needed", "left",
                                                  "stopped", "failed"};
    return OutcomeName(outcome, kNames);
}

inline bool Completed(InstallOutcome outcome) {
    return outcome == InstallOutcome::kCompleted || outcome == InstallOutcome::kRestartNeeded;
}

InstallOutcome RunInstallSequence(environments::Context& context, InstallPrompt& prompt,
                                  InstallKind kind);

// The Autorun start mode: the folder only for a first environment, as start-up found the
// environments, and the installer page once.
InstallOutcome RunAutorunSequence(environments::Context& context, InstallPrompt& prompt);

// The run a restart cut off: no folder is asked again.
InstallOutcome ResumeInstall(core::Context& context, InstallPrompt& prompt);

// The first free folder "<program files>\Orvessa\Vtx", "...\Vtx_001", "...\Vtx_002", ...
std::string ProposeDestinationFolder(core::Context& context);

// A folder tree that already holds a Vantorix program is refused; one that cannot be searched
// completely is not.
std::optional<core::Notice> RefuseDestination(core::Context& context, const std::string& folder);

}  // namespace velnora::flows

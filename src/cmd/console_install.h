// The install sequence on the console: the destination and the choice of installers come from
// the command's options, the run reports its progress as lines, and a restart is asked (or,
// with --norestart, left to the caller).
#pragma once

#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "flows/install_run.h"
#include "flows/install_sequence.h"
#include "installer/context.h"
#include "installer/medium.h"

namespace velnora::cmd {

struct ConsoleRunChoice {
    installer::InstallerForm form;
    // One tick per entry of the list form.
    std::vector<int> ticks;
    int resumeIndex = 0;
    bool interactive = true;
    bool restartPc = false;
    // Windows restarts without asking the programs that run.
    bool forceRestart = false;
    bool noRestart = false;
    std::optional<std::string> destination;
};

class ConsoleInstall final : public flows::InstallPromptOver, public flows::RunView {
  public:
    ConsoleInstall(installer::Context& context, flows::Prompt& prompt, ConsoleRunChoice choice)
        : InstallPromptOver(prompt), context_(context), choice_(std::move(choice)) {}

    // True once a run stopped: the sequence has no other folder to offer after it.
    bool RunStopped() const { return runStopped_; }

    bool Ask(const core::Notice& question) override;

    std::optional<std::string> ChooseDestination() override;
    flows::InstallerPageEnd SelectAndRun() override;

    int Form() const override { return choice_.form.form; }
    int ResumeIndex() const override { return choice_.resumeIndex; }
    int EntryCount() const override { return choice_.form.entryCount; }
    bool IsTicked(int entry) const override;
    bool Interactive() const override { return choice_.interactive; }
    std::string InstallerPath() override { return choice_.form.installerPath; }
    void EnableButtons(bool) override {}
    void EnableExit() override {}
    void MinimizeForRun() override {}
    bool IsMinimized() const override { return false; }
    void Hide() override {}
    std::string MainTitle() override { return {}; }
    // The run's progress ("2 of 3 Installer") as a line, once each.
    void SetMainTitle(const std::string& title) override;
    void RestorePageTitle() override {}
    flows::Prompt& RunPrompt() override { return *this; }

  private:
    installer::Context& context_;
    ConsoleRunChoice choice_;
    bool destinationOffered_ = false;
    bool runStopped_ = false;
    bool declineQuestions_ = false;
    std::string lastTitle_;
};

}  // namespace velnora::cmd

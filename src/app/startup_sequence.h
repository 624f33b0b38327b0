// The start-up sequence that the install manager and its elevated twin share: names, language,
// single instance, environments, command line, operating system and rights, media, saved run
// state, catalogue. Each program adds its own dispatch; the few other differences are a row
// of StartupRules.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/context.h"
#include "installer/context.h"

namespace velnora::app {

struct StartupRules {
    // The settings file's stem from the program's base name.
    std::string (*managerBaseName)(std::string_view programBaseName);
    // The administrator probe runs on the NT family below this major version.
    std::uint32_t probeBelowMajor;
    core::TextId notAdministrator;
    // Below this major version the media must allow Windows 9x and NT 4 explicitly.
    std::uint32_t mediaTestBelowMajor;
    bool readMeOnFirstStart;
    bool elevatedTwin;
};

class StartupSequence {
  public:
    virtual ~StartupSequence();
    StartupSequence(const StartupSequence&) = delete;
    StartupSequence& operator=(const StartupSequence&) = delete;

    // The start-up hook. Always false: no message loop follows, the process ends after it.
    bool InitInstance();
    // The exit hook: gives up the single-instance mutex.
    void ExitInstance();

  protected:
    StartupSequence(installer::Context& context, const StartupRules& rules);

    // Rebuilds the context's environment table.
    virtual void EnumerateEnvironments() = 0;
    // The program's own look at the lower-cased mode token before anything else is checked;
    // false stops (having told the user).
    virtual bool AcceptModeToken(const std::string& /*modeToken*/) { return true; }
    // The token that runs when a saved run state waits to go on: the Autorun mode resumes it.
    virtual std::string TokenForPendingRun(const std::string& /*modeToken*/) const {
        return "-autorun";
    }
    virtual void Dispatch(const std::string& modeToken) = 0;

    // The pieces of the command line's mode text, the token first (not lower-cased).
    const std::vector<std::string>& ModePieces() const { return modePieces_; }
    const std::string& RawCommandLine() const { return rawCommandLine_; }
    int EnvironmentCount() const { return context_.environments.Count(); }
    // A saved run state waits to go on ("Continue" above 0).
    bool RunPending() const { return runPending_; }
    void ShowError(core::TextId text);
    void ShowConfirm(const std::string& text);

    installer::Context& context_;

  private:
    void RunSequence();
    bool TakeSingleInstanceMutex();
    bool OsAllowedByMedia();
    // Finds the process-enumeration functions; the user is told what is missing.
    bool EnsureProcessApi();
    void ShowReadMeOnFirstStart();

    const StartupRules& rules_;
    platform::Handle mutex_ = platform::kNoHandle;
    std::string rawCommandLine_;
    std::vector<std::string> modePieces_;
    bool runPending_ = false;
};

// The administrator probe: may this user create and delete a key below the uninstall root of
// the local machine?
bool ProbeAdministrator(platform::Registry& registry);

// The running program's file name without folder and extension, and its folder without a
// trailing backslash.
std::string ProgramBaseNameOf(std::string_view programPath);
std::string ProgramFolderOf(std::string_view programPath);

// A profile value of up to 1023 bytes; empty when missing.
std::string ReadProfileValue(platform::Platform& platform, const std::string& file,
                             const std::string& section, const std::string& key);

}  // namespace velnora::app

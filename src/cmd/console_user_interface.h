// The engines' message boxes in a console program: a line on standard error and the answer the
// box gives by default, so that an unattended run never waits for a window nobody sees. Every
// other service of the user interface is the platform's own.
#pragma once

#include "platform/console.h"
#include "platform/user_interface.h"

namespace velnora::core {
class RunLog;
}

namespace velnora::cmd {

class ConsoleUserInterface final : public platform::UserInterface {
  public:
    ConsoleUserInterface(platform::UserInterface& windows, platform::Console& console,
                         core::RunLog& log)
        : windows_(windows), console_(console), log_(log) {}

    int MessageBox(const platform::DialogPage* owner, const std::string& text,
                   const std::string& caption, std::uint32_t flags) override;

    int RunModal(platform::DialogPage& page, const platform::DialogPage* owner) override {
        return windows_.RunModal(page, owner);
    }
    bool OpenModeless(platform::DialogPage& page, const platform::DialogPage* owner) override {
        return windows_.OpenModeless(page, owner);
    }
    bool ChooseFileToOpen(const platform::DialogPage* owner,
                          const platform::FileDialogRequest& request, std::string& path) override {
        return windows_.ChooseFileToOpen(owner, request, path);
    }
    bool ChooseFileToSave(const platform::DialogPage* owner,
                          const platform::FileDialogRequest& request, std::string& path) override {
        return windows_.ChooseFileToSave(owner, request, path);
    }
    bool BrowseForFolder(const platform::DialogPage* owner, const std::string& title,
                         const std::string& startFolder, std::string& folder) override {
        return windows_.BrowseForFolder(owner, title, startFolder, folder);
    }
    void SetWaitCursor(bool waiting) override { windows_.SetWaitCursor(waiting); }
    bool OpenHelp(const std::string& helpFile, std::uint32_t contextId) override {
        return windows_.OpenHelp(helpFile, contextId);
    }
    platform::PumpStep PumpOne() override { return windows_.PumpOne(); }
    void PostQuit(int exitCode) override { windows_.PostQuit(exitCode); }
    void WaitForMessageOrProcess(platform::Handle process, std::uint32_t timeoutMs) override {
        windows_.WaitForMessageOrProcess(process, timeoutMs);
    }

  private:
    platform::UserInterface& windows_;
    platform::Console& console_;
    core::RunLog& log_;
};

// The answer of a message box to Enter: its first button, or the second when the flags make
// that the default.
int DefaultMessageBoxAnswer(std::uint32_t flags);

}  // namespace velnora::cmd

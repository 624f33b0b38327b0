// User-interface services: message boxes, the dialog host, pickers, the wait cursor, the help
// viewer and the message pump of this thread.
#pragma once

#include "platform/user_interface.h"

namespace velnora::platform::win32 {

class Win32UserInterface final : public UserInterface {
  public:
    int MessageBox(const DialogPage* owner, const std::string& text, const std::string& caption,
                   std::uint32_t flags) override;
    int RunModal(DialogPage& page, const DialogPage* owner) override;
    bool OpenModeless(DialogPage& page, const DialogPage* owner) override;
    bool ChooseFileToOpen(const DialogPage* owner, const FileDialogRequest& request,
                          std::string& path) override;
    bool ChooseFileToSave(const DialogPage* owner, const FileDialogRequest& request,
                          std::string& path) override;
    bool BrowseForFolder(const DialogPage* owner, const std::string& title,
                         const std::string& startFolder, std::string& folder) override;
    void SetWaitCursor(bool waiting) override;
    bool OpenHelp(const std::string& helpFile, std::uint32_t contextId) override;
    PumpStep PumpOne() override;
    void PostQuit(int exitCode) override;
    void WaitForMessageOrProcess(Handle process, std::uint32_t timeoutMs) override;

  private:
    int waitDepth_ = 0;  // calls with true not yet matched by one with false
};

}  // namespace velnora::platform::win32

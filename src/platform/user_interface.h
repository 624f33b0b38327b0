// User-interface services: message boxes, the dialog host, pickers, the wait cursor, the help
// viewer and the message pump.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace velnora::platform {

class DialogPage;

namespace mb {
inline constexpr std::uint32_t kOk = 0x0;
inline constexpr std::uint32_t kOkCancel = 0x1;
inline constexpr std::uint32_t kYesNoCancel = 0x3;
inline constexpr std::uint32_t kYesNo = 0x4;
inline constexpr std::uint32_t kIconError = 0x10;
inline constexpr std::uint32_t kIconQuestion = 0x20;
inline constexpr std::uint32_t kIconWarning = 0x30;
inline constexpr std::uint32_t kIconInformation = 0x40;
inline constexpr std::uint32_t kButtonsMask = 0xF;
inline constexpr std::uint32_t kIconMask = 0xF0;
// The second button is the default one (No of Yes/No).
inline constexpr std::uint32_t kDefaultButton2 = 0x100;
}  // namespace mb

// Message box answers, as Windows numbers them.
namespace answer {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kYes = 6;
inline constexpr int kNo = 7;
}  // namespace answer

struct FileDialogRequest {
    std::string title;
    std::string initialFolder;
    std::string fileName;  // proposed name
    std::string defaultExtension;
    // Filter pairs: display text, pattern ("Text (*.txt)", "*.txt").
    std::vector<std::pair<std::string, std::string>> filters;
};

// What one step of the message pump found.
enum class PumpStep {
    kEmpty,       // no message was waiting
    kDispatched,  // one message was taken and dispatched
    kQuit,        // the quit message was taken
};

class UserInterface;

// The wait cursor for as long as the object lives.
class ScopedWaitCursor {
  public:
    explicit ScopedWaitCursor(UserInterface& ui);
    ~ScopedWaitCursor();
    ScopedWaitCursor(const ScopedWaitCursor&) = delete;
    ScopedWaitCursor& operator=(const ScopedWaitCursor&) = delete;

  private:
    UserInterface& ui_;
};

class UserInterface {
  public:
    virtual ~UserInterface() = default;

    // MessageBox; `owner` is an open page or null for no owner window. Returns the answer.
    virtual int MessageBox(const DialogPage* owner, const std::string& text,
                           const std::string& caption, std::uint32_t flags) = 0;

    // Runs a page modally on the dialog template of its id; returns the value the page ended
    // with, or -1 when the dialog could not be created.
    virtual int RunModal(DialogPage& page, const DialogPage* owner) = 0;
    // Opens a page modeless; it stays open until it ends itself or is destroyed.
    virtual bool OpenModeless(DialogPage& page, const DialogPage* owner) = 0;

    // The common file dialogs; false on cancel. `path` gets the chosen full path.
    virtual bool ChooseFileToOpen(const DialogPage* owner, const FileDialogRequest& request,
                                  std::string& path) = 0;
    virtual bool ChooseFileToSave(const DialogPage* owner, const FileDialogRequest& request,
                                  std::string& path) = 0;
    // SHBrowseForFolder starting in `startFolder`, with an editable path field that follows
    // the selection and can be typed into. `folder` gets the field's text (at most 259
    // characters), which may name a folder that does not exist yet; false on cancel.
    virtual bool BrowseForFolder(const DialogPage* owner, const std::string& title,
                                 const std::string& startFolder, std::string& folder) = 0;

    // Shows the hourglass until the returned count of calls with false.
    virtual void SetWaitCursor(bool waiting) = 0;

    // HtmlHelp(no owner, file, HH_HELP_CONTEXT, contextId); not waited for.
    virtual bool OpenHelp(const std::string& helpFile, std::uint32_t contextId) = 0;

    // Takes and dispatches at most one waiting message of this thread.
    virtual PumpStep PumpOne() = 0;
    // Posts the quit message again (PostQuitMessage).
    virtual void PostQuit(int exitCode) = 0;
    // Sleeps until a message arrives for this thread, `process` (when given) ends, or
    // timeoutMs passes, whichever comes first. Never busy: the waits use it between polls.
    virtual void WaitForMessageOrProcess(Handle process, std::uint32_t timeoutMs) = 0;
};

}  // namespace velnora::platform

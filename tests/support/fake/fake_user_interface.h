// The user interface of the fake platform: message boxes answered from a script and
// recorded, the file and folder pickers answered from a script, the wait cursor and help
// calls recorded, pages run through the test dialog host, and a message queue on the virtual
// clock. Waits advance the clock to the next thing that happens and record how long they
// waited, so a test can tell a wait that sleeps from one that spins.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "fake/faults.h"
#include "fake/fake_processes.h"
#include "fake/virtual_clock.h"
#include "platform/user_interface.h"

namespace velnora::fake {

class TestDialogHost;

struct MessageBoxRecord {
    const platform::DialogPage* owner = nullptr;
    std::string text;
    std::string caption;
    std::uint32_t flags = 0;
    int answer = 0;
    std::uint64_t time = 0;

    std::uint32_t Buttons() const { return flags & platform::mb::kButtonsMask; }
    std::uint32_t Icon() const { return flags & platform::mb::kIconMask; }
};

struct FolderRequest {
    const platform::DialogPage* owner = nullptr;
    std::string title;
    std::string startFolder;
};

struct HelpCall {
    std::string file;
    std::uint32_t contextId = 0;
};

struct WaitRecord {
    platform::Handle process = platform::kNoHandle;
    std::uint32_t timeoutMs = 0;
    std::uint64_t waitedMs = 0;
};

class FakeUserInterface final : public platform::UserInterface {
  public:
    FakeUserInterface(VirtualClock& clock, FakeProcesses& processes, Faults& faults);

    int MessageBox(const platform::DialogPage* owner, const std::string& text,
                   const std::string& caption, std::uint32_t flags) override;
    int RunModal(platform::DialogPage& page, const platform::DialogPage* owner) override;
    bool OpenModeless(platform::DialogPage& page, const platform::DialogPage* owner) override;
    bool ChooseFileToOpen(const platform::DialogPage* owner,
                          const platform::FileDialogRequest& request, std::string& path) override;
    bool ChooseFileToSave(const platform::DialogPage* owner,
                          const platform::FileDialogRequest& request, std::string& path) override;
    bool BrowseForFolder(const platform::DialogPage* owner, const std::string& title,
                         const std::string& startFolder, std::string& folder) override;
    void SetWaitCursor(bool waiting) override;
    bool OpenHelp(const std::string& helpFile, std::uint32_t contextId) override;
    platform::PumpStep PumpOne() override;
    void PostQuit(int exitCode) override;
    void WaitForMessageOrProcess(platform::Handle process, std::uint32_t timeoutMs) override;

    // --- Pages ---

    // RunModal and OpenModeless go to this host; without one they fail (-1 / false).
    void AttachDialogHost(TestDialogHost* host) { host_ = host; }

    // --- Message boxes ---

    // The answer of the next message box not yet answered, in order. An answer the box's
    // buttons cannot give throws std::logic_error when the box is shown.
    void QueueAnswer(int answer) { answers_.push_back(answer); }
    // A callback that may answer a box itself (its result wins over the queue), or see it.
    void SetMessageBoxHandler(std::function<std::optional<int>(const MessageBoxRecord&)> handler) {
        messageBoxHandler_ = std::move(handler);
    }
    // With nothing queued: this answer, or when unset the first button (OK or Yes).
    void SetDefaultAnswer(std::optional<int> answer) { defaultAnswer_ = answer; }
    const std::vector<MessageBoxRecord>& MessageBoxes() const { return messageBoxes_; }
    std::size_t PendingAnswers() const { return answers_.size(); }

    // --- Pickers (nothing queued: the user cancels) ---

    void QueueFileToOpen(std::optional<std::string> path) { openAnswers_.push_back(path); }
    void QueueFileToSave(std::optional<std::string> path) { saveAnswers_.push_back(path); }
    void QueueFolder(std::optional<std::string> folder) { folderAnswers_.push_back(folder); }
    const std::vector<platform::FileDialogRequest>& OpenRequests() const { return openRequests_; }
    const std::vector<platform::FileDialogRequest>& SaveRequests() const { return saveRequests_; }
    const std::vector<FolderRequest>& FolderRequests() const { return folderRequests_; }

    // --- Wait cursor and help ---

    int WaitCursorDepth() const { return waitDepth_; }
    int MaxWaitCursorDepth() const { return maxWaitDepth_; }
    // Every SetWaitCursor call in order.
    const std::vector<bool>& WaitCursorCalls() const { return waitCalls_; }
    const std::vector<HelpCall>& HelpCalls() const { return helpCalls_; }

    // --- The message queue ---

    // A message that arrives at virtual time `time` (now or later); PumpOne dispatches it by
    // calling `handler`.
    void PostMessageAt(std::uint64_t time, std::function<void()> handler);
    // The quit message arrives at `time`.
    void PostQuitAt(std::uint64_t time, int exitCode = 0);
    // Windows ends the session at `time`: PumpOne asks every open page (QueryEndSession of
    // the dialog host) and then tells them whether it ends (EndSession).
    void EndSessionAt(std::uint64_t time);
    // Messages posted and not yet pumped (due or not).
    std::size_t QueuedMessages() const { return queue_.size(); }
    // Whether the last end of session came through (every page agreed).
    std::optional<bool> LastSessionEnd() const { return lastSessionEnd_; }
    const std::vector<int>& PostQuitCalls() const { return postQuitCalls_; }

    const std::vector<WaitRecord>& Waits() const { return waits_; }
    std::uint64_t TotalWaitedMs() const { return totalWaited_; }
    int PumpCalls() const { return pumpCalls_; }

  private:
    struct Event {
        enum class Kind { kMessage, kQuit, kEndSession };
        std::uint64_t time = 0;
        std::uint64_t order = 0;
        Kind kind = Kind::kMessage;
        std::function<void()> handler;
    };

    void Schedule(Event event);
    bool MessageDue() const;
    int Answer(const MessageBoxRecord& box);

    VirtualClock& clock_;
    FakeProcesses& processes_;
    Faults& faults_;
    TestDialogHost* host_ = nullptr;

    std::deque<int> answers_;
    std::optional<int> defaultAnswer_;
    std::function<std::optional<int>(const MessageBoxRecord&)> messageBoxHandler_;
    std::vector<MessageBoxRecord> messageBoxes_;

    std::deque<std::optional<std::string>> openAnswers_;
    std::deque<std::optional<std::string>> saveAnswers_;
    std::deque<std::optional<std::string>> folderAnswers_;
    std::vector<platform::FileDialogRequest> openRequests_;
    std::vector<platform::FileDialogRequest> saveRequests_;
    std::vector<FolderRequest> folderRequests_;

    int waitDepth_ = 0;
    int maxWaitDepth_ = 0;
    std::vector<bool> waitCalls_;
    std::vector<HelpCall> helpCalls_;

    std::vector<Event> queue_;  // kept in (time, order) order
    std::uint64_t nextOrder_ = 0;
    std::optional<bool> lastSessionEnd_;
    std::vector<int> postQuitCalls_;
    std::vector<WaitRecord> waits_;
    std::uint64_t totalWaited_ = 0;
    int pumpCalls_ = 0;
};

}  // namespace velnora::fake

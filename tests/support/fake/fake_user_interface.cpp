#include "fake/fake_user_interface.h"

#include <algorithm>
#include <stdexcept>

#include "fake/test_dialog_host.h"

namespace velnora::fake {

using platform::Handle;
namespace mb = platform::mb;
namespace answer = platform::answer;

namespace {

bool Allowed(std::uint32_t buttons, int reply) {
    switch (buttons) {
        case mb::kOk:
            return reply == answer::kOk;
        case mb::kOkCancel:
            return reply == answer::kOk || reply == answer::kCancel;
        case mb::kYesNo:
            return reply == answer::kYes || reply == answer::kNo;
        case mb::kYesNoCancel:
            return reply == answer::kYes || reply == answer::kNo || reply == answer::kCancel;
        default:
            return true;  // button sets the programs do not use
    }
}

int FirstButton(std::uint32_t buttons) {
    return (buttons == mb::kYesNo || buttons == mb::kYesNoCancel) ? answer::kYes : answer::kOk;
}

}  // namespace

FakeUserInterface::FakeUserInterface(VirtualClock& clock, FakeProcesses& processes, Faults& faults)
    : clock_(clock), processes_(processes), faults_(faults) {}

// --- Message boxes and pages ---

int FakeUserInterface::Answer(const MessageBoxRecord& box) {
    std::optional<int> reply;
    if (messageBoxHandler_)
        reply = messageBoxHandler_(box);
    if (!reply && !answers_.empty()) {
        reply = answers_.front();
        answers_.pop_front();
    }
    if (!reply)
        reply = defaultAnswer_ && Allowed(box.Buttons(), *defaultAnswer_)
                    ? *defaultAnswer_
                    : FirstButton(box.Buttons());
    if (!Allowed(box.Buttons(), *reply))
        throw std::logic_error("scripted answer " + std::to_string(*reply) +
                               " is not a button of the message box \"" + box.text + "\"");
    return *reply;
}

int FakeUserInterface::MessageBox(const platform::DialogPage* owner, const std::string& text,
                                  const std::string& caption, std::uint32_t flags) {
    if (faults_.Enter(op::kMessageBox, text))
        return 0;
    MessageBoxRecord box{owner, text, caption, flags, 0, clock_.Now()};
    box.answer = Answer(box);
    messageBoxes_.push_back(box);
    return box.answer;
}

int FakeUserInterface::RunModal(platform::DialogPage& page, const platform::DialogPage* owner) {
    if (faults_.Enter(op::kRunModal, std::to_string(page.TemplateId())))
        return -1;
    return host_ == nullptr ? -1 : host_->RunModal(page, owner);
}

bool FakeUserInterface::OpenModeless(platform::DialogPage& page,
                                     const platform::DialogPage* owner) {
    if (faults_.Enter(op::kOpenModeless, std::to_string(page.TemplateId())))
        return false;
    return host_ != nullptr && host_->OpenModeless(page, owner);
}

// --- Pickers ---

bool FakeUserInterface::ChooseFileToOpen(const platform::DialogPage* /*owner*/,
                                         const platform::FileDialogRequest& request,
                                         std::string& path) {
    if (faults_.Enter(op::kChooseFileToOpen, request.title))
        return false;
    openRequests_.push_back(request);
    if (openAnswers_.empty())
        return false;
    const auto chosen = openAnswers_.front();
    openAnswers_.pop_front();
    if (!chosen)
        return false;
    path = *chosen;
    return true;
}

bool FakeUserInterface::ChooseFileToSave(const platform::DialogPage* /*owner*/,
                                         const platform::FileDialogRequest& request,
                                         std::string& path) {
    if (faults_.Enter(op::kChooseFileToSave, request.title))
        return false;
    saveRequests_.push_back(request);
    if (saveAnswers_.empty())
        return false;
    const auto chosen = saveAnswers_.front();
    saveAnswers_.pop_front();
    if (!chosen)
        return false;
    path = *chosen;
    return true;
}

bool FakeUserInterface::BrowseForFolder(const platform::DialogPage* owner, const std::string& title,
                                        const std::string& startFolder, std::string& folder) {
    if (faults_.Enter(op::kBrowseForFolder, title))
        return false;
    folderRequests_.push_back(FolderRequest{owner, title, startFolder});
    if (folderAnswers_.empty())
        return false;
    const auto chosen = folderAnswers_.front();
    folderAnswers_.pop_front();
    if (!chosen)
        return false;
    folder = *chosen;
    return true;
}

// --- Cursor and help ---

void FakeUserInterface::SetWaitCursor(bool waiting) {
    faults_.Enter(op::kSetWaitCursor, waiting ? "on" : "off");
    waitCalls_.push_back(waiting);
    if (waiting) {
        maxWaitDepth_ = std::max(maxWaitDepth_, ++waitDepth_);
    } else if (waitDepth_ > 0) {
        --waitDepth_;
    }
}

bool FakeUserInterface::OpenHelp(const std::string& helpFile, std::uint32_t contextId) {
    if (faults_.Enter(op::kOpenHelp, helpFile))
        return false;
    helpCalls_.push_back(HelpCall{helpFile, contextId});
    return true;
}

// --- The message queue ---

void FakeUserInterface::Schedule(Event event) {
    event.order = nextOrder_++;
    const auto at =
        std::upper_bound(queue_.begin(), queue_.end(), event, [](const Event& a, const Event& b) {
            return a.time != b.time ? a.time < b.time : a.order < b.order;
        });
    queue_.insert(at, std::move(event));
}

bool FakeUserInterface::MessageDue() const {
    return !queue_.empty() && queue_.front().time <= clock_.Now();
}

void FakeUserInterface::PostMessageAt(std::uint64_t time, std::function<void()> handler) {
    Schedule(Event{time, 0, Event::Kind::kMessage, std::move(handler)});
}

void FakeUserInterface::PostQuitAt(std::uint64_t time, int /*exitCode*/) {
    Schedule(Event{time, 0, Event::Kind::kQuit, nullptr});
}

void FakeUserInterface::EndSessionAt(std::uint64_t time) {
    Schedule(Event{time, 0, Event::Kind::kEndSession, nullptr});
}

platform::PumpStep FakeUserInterface::PumpOne() {
    ++pumpCalls_;
    if (faults_.Enter(op::kPumpOne))
        return platform::PumpStep::kEmpty;
    if (!MessageDue())
        return platform::PumpStep::kEmpty;
    Event event = std::move(queue_.front());
    queue_.erase(queue_.begin());
    switch (event.kind) {
        case Event::Kind::kQuit:
            return platform::PumpStep::kQuit;
        case Event::Kind::kMessage:
            if (event.handler)
                event.handler();
            return platform::PumpStep::kDispatched;
        case Event::Kind::kEndSession: {
            const bool ending = host_ == nullptr || host_->QueryEndSession();
            if (host_ != nullptr)
                host_->EndSession(ending);
            lastSessionEnd_ = ending;
            return platform::PumpStep::kDispatched;
        }
    }
    return platform::PumpStep::kEmpty;
}

void FakeUserInterface::PostQuit(int exitCode) {
    faults_.Enter(op::kPostQuit, std::to_string(exitCode));
    postQuitCalls_.push_back(exitCode);
    PostQuitAt(clock_.Now(), exitCode);
}

void FakeUserInterface::WaitForMessageOrProcess(Handle process, std::uint32_t timeoutMs) {
    WaitRecord record{process, timeoutMs, 0};
    if (faults_.Enter(op::kWaitForMessageOrProcess)) {
        waits_.push_back(record);
        return;
    }
    constexpr std::uint64_t kNever = ProgramBehaviour::kForever;
    const std::uint64_t now = clock_.Now();
    std::uint64_t until = timeoutMs == platform::kInfinite ? kNever : now + timeoutMs;
    if (!queue_.empty())
        until = std::min(until, std::max(queue_.front().time, now));
    if (process != platform::kNoHandle)
        if (const auto end = processes_.EndTime(process))
            until = std::min(until, std::max(*end, now));
    if (until == kNever)
        throw std::logic_error(
            "waiting without time-out for a message or process that never comes");
    clock_.AdvanceTo(until);
    processes_.Settle();
    record.waitedMs = until - now;
    totalWaited_ += record.waitedMs;
    waits_.push_back(record);
}

}  // namespace velnora::fake

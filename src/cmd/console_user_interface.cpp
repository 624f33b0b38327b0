#include "cmd/console_user_interface.h"

#include <array>

#include "core/run_log.h"

namespace velnora::cmd {

namespace {

struct ButtonRow {
    std::uint32_t buttons;
    int first;
    int second;
};
constexpr std::array kButtonRows = std::to_array<ButtonRow>({
    {platform::mb::kOk, platform::answer::kOk, platform::answer::kOk},
    {platform::mb::kOkCancel, platform::answer::kOk, platform::answer::kCancel},
    {platform::mb::kYesNoCancel, platform::answer::kYes, platform::answer::kNo},
    {platform::mb::kYesNo, platform::answer::kYes, platform::answer::kNo},
});

}  // namespace

int DefaultMessageBoxAnswer(std::uint32_t flags) {
    const bool second = (flags & platform::mb::kDefaultButton2) != 0;
    for (const auto& row : kButtonRows)
        if (row.buttons == (flags & platform::mb::kButtonsMask))
            return second ? row.second : row.first;
    return platform::answer::kOk;
}

int ConsoleUserInterface::MessageBox(const platform::DialogPage*, const std::string& text,
                                     const std::string& caption, std::uint32_t flags) {
    console_.Write(platform::StandardStream::kError, caption + ": " + text + "\n");
    const bool error = (flags & platform::mb::kIconMask) == platform::mb::kIconError;
    log_.Add(error ? core::LogEntry::kFailure : core::LogEntry::kStep, caption + ": " + text);
    return DefaultMessageBoxAnswer(flags);
}

}  // namespace velnora::cmd

#include "cmd/console_prompt.h"

#include <array>

#include "cmd/cmd_texts.h"
#include "core/parsing.h"
#include "core/run_log.h"
#include "installer/context.h"

namespace velnora::cmd {

namespace {

// A user who keeps typing something else gets the default after this many tries.
constexpr int kQuestionTries = 5;

struct AnswerWord {
    std::string_view word;
    bool yes;
};
constexpr std::array kAnswerWords = std::to_array<AnswerWord>({
    {"y", true},
    {"yes", true},
    {"はい", true},
    {"n", false},
    {"no", false},
    {"いいえ", false},
});

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::optional<bool> ReadAnswer(std::string_view line) {
    std::string lower(line);
    for (char& c : lower)
        c = LowerAscii(c);
    for (const auto& row : kAnswerWords)
        if (row.word == lower)
            return row.yes;
    return std::nullopt;
}

}  // namespace

bool DefaultAnswer(const core::Notice& question) {
    return (question.style & platform::mb::kDefaultButton2) == 0;
}

void ConsolePrompt::Line(const std::string& text) {
    context_.platform.console.Write(platform::StandardStream::kError, text + "\n");
}

void ConsolePrompt::Tell(const core::Notice& notice) {
    Line(notice.text);
    log_.Add(notice.caption == core::NoticeCaption::kError ? core::LogEntry::kFailure
                                                           : core::LogEntry::kStep,
             notice.text);
}

bool ConsolePrompt::Ask(const core::Notice& question) {
    const bool byDefault = DefaultAnswer(question);
    bool answer = byDefault;
    if (!quiet_) {
        auto& console = context_.platform.console;
        for (int tries = 0; tries < kQuestionTries; ++tries) {
            console.Write(platform::StandardStream::kError,
                          question.text + context_.texts.Pick(text::kAnswerYesNo));
            const auto line = console.ReadLine();
            if (!line)
                break;
            if (const auto given = ReadAnswer(*line)) {
                answer = *given;
                break;
            }
        }
    }
    log_.Step(question.text +
              context_.texts.Pick(answer ? text::kLogAnswerYes : text::kLogAnswerNo));
    return answer;
}

std::optional<std::string> ConsolePrompt::ChooseEnvironment(
    const std::vector<flows::EnvironmentChoice>& choices) {
    if (choices.empty())
        return std::nullopt;
    if (quiet_) {
        log_.Step(context_.texts.Pick(text::kLogChosen) + choices.back().text);
        return choices.back().keyName;
    }
    auto& console = context_.platform.console;
    for (std::size_t i = 0; i < choices.size(); ++i)
        Line(std::to_string(i + 1) + ". " + choices[i].text);
    for (int tries = 0; tries < kQuestionTries; ++tries) {
        console.Write(platform::StandardStream::kError, context_.texts.Pick(text::kChooseNumber));
        const auto line = console.ReadLine();
        if (!line)
            break;
        const int number = core::ParseDecimal(*line);
        // Counted from 1 as listed; anything outside the list is asked again.
        if (number >= 1 && static_cast<std::size_t>(number) <= choices.size()) {
            const auto& chosen = choices[static_cast<std::size_t>(number) - 1];
            log_.Step(context_.texts.Pick(text::kLogChosen) + chosen.text);
            return chosen.keyName;
        }
    }
    log_.Step(context_.texts.Pick(text::kLogNoneChosen));
    return std::nullopt;
}

void ConsolePrompt::Progress(std::string_view step) {
    log_.Step(step);
}

}  // namespace velnora::cmd

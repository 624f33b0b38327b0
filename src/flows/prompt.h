// How a flow asks and tells. A flow runs a whole operation without knowing who watches: the
// dialog pages answer with message boxes and dialogs, the console with lines and its options.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/notice.h"

namespace velnora::flows {

// An environment the user may choose, as the pages list it.
struct EnvironmentChoice {
    std::string keyName;
    std::string text;  // "DisplayName (Directory)"
};

class Prompt {
  public:
    virtual ~Prompt() = default;

    // Shows what the operation has to say and returns once it has been seen.
    virtual void Tell(const core::Notice& notice) = 0;
    // A question the user answers yes (true) or no.
    virtual bool Ask(const core::Notice& question) = 0;
    // The environment to make active when none is; nothing when none was chosen.
    virtual std::optional<std::string> ChooseEnvironment(
        const std::vector<EnvironmentChoice>& choices) = 0;
    // A step of the operation begins; the view may log it or show that work goes on.
    virtual void Progress(std::string_view step) = 0;
};

// The name of an outcome for the log: `names` lists them in the order of the enum.
template <typename Outcome, std::size_t N>
std::string_view OutcomeName(Outcome outcome, const std::string_view (&names)[N]) {
    const auto index = static_cast<std::size_t>(outcome);
    return index < N ? names[index] : std::string_view("unknown");
}

// Tells the notices in the order they arose and forgets them.
inline void TellAll(Prompt& prompt, core::Notices& notices) {
    for (const core::Notice& notice : notices)
        prompt.Tell(notice);
    notices.clear();
}

}  // namespace velnora::flows

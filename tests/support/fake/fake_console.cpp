#include "fake/fake_console.h"

namespace velnora::fake {

bool FakeConsole::Write(platform::StandardStream stream, std::string_view text) {
    if (closed_)
        return false;
    (stream == platform::StandardStream::kOutput ? output_ : error_).append(text);
    return true;
}

std::optional<std::string> FakeConsole::ReadLine() {
    if (input_.empty())
        return std::nullopt;
    ++linesRead_;
    std::string line = input_.front();
    input_.pop_front();
    return line;
}

}  // namespace velnora::fake

// The console of the fake platform: what the program wrote to standard output and error, and
// the lines a test gives as standard input.
#pragma once

#include <deque>
#include <string>

#include "platform/console.h"

namespace velnora::fake {

class FakeConsole final : public platform::Console {
  public:
    bool Write(platform::StandardStream stream, std::string_view text) override;
    std::optional<std::string> ReadLine() override;

    // --- Test set-up ---

    void AddInputLine(const std::string& line) { input_.push_back(line); }
    // A program started without a console or streams: every write fails.
    void SetClosed(bool closed) { closed_ = closed; }

    // --- Assertions ---

    const std::string& Output() const { return output_; }
    const std::string& Error() const { return error_; }
    int LinesRead() const { return linesRead_; }

  private:
    std::string output_;
    std::string error_;
    std::deque<std::string> input_;
    bool closed_ = false;
    int linesRead_ = 0;
};

}  // namespace velnora::fake

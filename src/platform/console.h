// Standard output and standard error of a console program. All text is UTF-8; a console gets
// it as wide characters, so Japanese names survive whatever code page the console uses.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velnora::platform {

enum class StandardStream { kOutput, kError };

class Console {
  public:
    virtual ~Console() = default;

    // WriteConsoleW when the stream is a console, the UTF-8 bytes with WriteFile when it is a
    // file or a pipe. False when nothing could be written (no such stream).
    virtual bool Write(StandardStream stream, std::string_view text) = 0;
    // One line of standard input without its line end; nothing at the end of the input.
    virtual std::optional<std::string> ReadLine() = 0;
};

}  // namespace velnora::platform

// Standard output and error of the console program, and its standard input.
#pragma once

#include "platform/console.h"

namespace velnora::platform::win32 {

class Win32Console final : public Console {
  public:
    bool Write(StandardStream stream, std::string_view text) override;
    std::optional<std::string> ReadLine() override;
};

}  // namespace velnora::platform::win32

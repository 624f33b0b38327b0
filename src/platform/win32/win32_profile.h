// Profile files through the W profile functions, which also read files written in the
// system code page.
#pragma once

#include "platform/profile.h"

namespace velnora::platform::win32 {

class Win32ProfileFiles final : public ProfileFiles {
  public:
    std::size_t GetString(const std::string& section, const std::optional<std::string>& key,
                          const std::string& defaultValue, std::size_t bufferSize,
                          const std::string& file, std::string& out) override;
    std::size_t GetSection(const std::string& section, std::size_t bufferSize,
                           const std::string& file, std::string& out) override;
    bool WriteString(const std::string& section, const std::optional<std::string>& key,
                     const std::optional<std::string>& value, const std::string& file) override;
};

}  // namespace velnora::platform::win32

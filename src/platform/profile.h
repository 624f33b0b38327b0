// Profile files: sectioned key=value text files, as Windows reads and writes them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace velnora::platform {

class ProfileFiles {
  public:
    virtual ~ProfileFiles() = default;

    // Reads one entry into a buffer of bufferSize bytes (the terminating zero included), so at
    // most bufferSize - 1 bytes are returned. Missing file, section or key gives the default.
    // Without a key: the names of all keys of the section, each ended by a zero byte and the
    // list by one more, cut to fit the buffer as Windows does. Returns the number of bytes
    // placed in `out` without the final zero (out.size()).
    virtual std::size_t GetString(const std::string& section, const std::optional<std::string>& key,
                                  const std::string& defaultValue, std::size_t bufferSize,
                                  const std::string& file, std::string& out) = 0;

    // Reads a whole section as "key=value\0...\0\0" in file order. When the section does not
    // fit, the result is cut and the count returned is bufferSize - 2 (the truncation sign).
    virtual std::size_t GetSection(const std::string& section, std::size_t bufferSize,
                                   const std::string& file, std::string& out) = 0;

    // Creates file, section and entry as needed and replaces a present entry. A missing value
    // deletes the entry; a missing key deletes the whole section.
    virtual bool WriteString(const std::string& section, const std::optional<std::string>& key,
                             const std::optional<std::string>& value, const std::string& file) = 0;
};

}  // namespace velnora::platform

// Profile files: sectioned key=value text files, as Windows reads and writes them.
//
// Buffer sizes and the counts returned are in characters as the W functions count them
// (UTF-16 code units, see platform/text_units.h), the terminating zero included in the size.
// What does not fit is cut between two characters, never inside one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace velnora::platform {

// A GetSection buffer size that holds any section: the file is read once, whatever its size.
inline constexpr std::size_t kWholeSection = SIZE_MAX;

class ProfileFiles {
  public:
    virtual ~ProfileFiles() = default;

    // Reads one entry into a buffer of bufferSize characters, so at most bufferSize - 1 are
    // returned. Missing file, section or key gives the default.
    // Without a key: the names of all keys of the section, each ended by a zero and the list
    // by one more, cut to fit the buffer as Windows does. Returns the number of characters
    // placed in `out` without the final zero.
    virtual std::size_t GetString(const std::string& section, const std::optional<std::string>& key,
                                  const std::string& defaultValue, std::size_t bufferSize,
                                  const std::string& file, std::string& out) = 0;

    // Reads a whole section as "key=value\0...\0\0" in file order. When the section does not
    // fit, the result is cut and the count returned is bufferSize - 2 (the truncation sign),
    // also when a character of two units would have been halved and was left out.
    virtual std::size_t GetSection(const std::string& section, std::size_t bufferSize,
                                   const std::string& file, std::string& out) = 0;

    // Creates file, section and entry as needed and replaces a present entry. A missing value
    // deletes the entry; a missing key deletes the whole section.
    virtual bool WriteString(const std::string& section, const std::optional<std::string>& key,
                             const std::optional<std::string>& value, const std::string& file) = 0;
};

}  // namespace velnora::platform

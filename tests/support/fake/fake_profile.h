// Profile files kept as real text files in the fake file system, read and written the way
// Windows does it: names match without regard to case, values lose the blanks around them
// and one pair of enclosing quotes, lines starting with ";" are comments, reads are cut to
// the buffer (counted in characters as the W functions count them), and a write rewrites only
// the line it changes. A file that starts with the UTF-16LE byte-order mark is read and
// written as UTF-16LE, as Windows does; any other file is taken as UTF-8.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "fake/faults.h"
#include "fake/fake_filesystem.h"
#include "platform/profile.h"

namespace velnora::fake {

class FakeProfileFiles final : public platform::ProfileFiles {
  public:
    // `windowsFolder` gives the folder a bare file name resolves to.
    FakeProfileFiles(FakeFileSystem& files, Faults& faults,
                     std::function<std::string()> windowsFolder);

    std::size_t GetString(const std::string& section, const std::optional<std::string>& key,
                          const std::string& defaultValue, std::size_t bufferSize,
                          const std::string& file, std::string& out) override;
    std::size_t GetSection(const std::string& section, std::size_t bufferSize,
                           const std::string& file, std::string& out) override;
    bool WriteString(const std::string& section, const std::optional<std::string>& key,
                     const std::optional<std::string>& value, const std::string& file) override;

    // The path a file argument stands for: a name without any folder lies in the Windows
    // folder.
    std::string ResolvePath(const std::string& file) const;

  private:
    struct Parsed;
    // The file's parsed form, from the cache while its text is unchanged; null when the file
    // cannot be read.
    std::shared_ptr<const Parsed> Load(const std::string& path);

    FakeFileSystem& files_;
    Faults& faults_;
    std::function<std::string()> windowsFolder_;
    std::map<std::string, std::shared_ptr<const Parsed>> cache_;  // by upper-case path
};

}  // namespace velnora::fake

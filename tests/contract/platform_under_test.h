// What the contract suite needs from a platform beyond its interface: scratch space, a way to
// hold a file open from outside, a child program, a versioned program file and a library
// beside the program. One
// implementation drives the fake platform, one the Win32 platform (on Windows and Wine).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "platform/platform.h"

namespace velnora::contract {

class PlatformUnderTest {
  public:
    virtual ~PlatformUnderTest() = default;

    virtual platform::Platform& Get() = 0;
    // The real implementation running under Wine, where a few cases cannot be checked.
    virtual bool IsWine() const = 0;

    // An empty folder of the test's own, without a trailing backslash.
    virtual std::string ScratchFolder() = 0;
    // A local-machine key path of the test's own ("SOFTWARE\VelnoraContract\..."); the key
    // does not exist yet.
    virtual std::string ScratchKey() = 0;

    // Another holder keeps the file open without sharing until Release or the cleanup.
    virtual void HoldOpen(const std::string& path) = 0;
    virtual void Release(const std::string& path) = 0;

    // Makes `link` a symbolic link to the existing folder `target`; false where this platform
    // cannot make one. The cleanup removes the link, not what it points to.
    virtual bool MakeFolderLink(const std::string& link, const std::string& target) = 0;

    // Gives an existing file another last-write time, in local time; false when it cannot.
    virtual bool SetModifiedTime(const std::string& path, const platform::LocalFileTime& time) = 0;

    // A program that, started as `"<path>" <ms> <exit code>`, runs about that many
    // milliseconds and ends with that exit code.
    virtual std::string ChildProgram() = 0;
    // A program file with a version resource, and its product version; nothing when there is
    // none to be had.
    virtual std::optional<std::pair<std::string, std::string>> VersionedProgram() = 0;

    // The full path of a library that lies beside the running program and nowhere else.
    virtual std::string LibraryBesideProgram() = 0;

    // Releases held files and removes the scratch folder and key with everything in them.
    virtual void Cleanup() = 0;
};

using PlatformFactory = std::unique_ptr<PlatformUnderTest> (*)();

// The parameter of the suite: a platform by name.
struct PlatformKind {
    const char* name;
    PlatformFactory make;
};

inline std::ostream& operator<<(std::ostream& out, const PlatformKind& kind) {
    return out << kind.name;
}

}  // namespace velnora::contract

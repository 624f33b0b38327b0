// The one suite every platform runs: each TEST_P states something the programs rely on.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform_under_test.h"

namespace velnora::contract {

class PlatformContract : public ::testing::TestWithParam<PlatformKind> {
  protected:
    void SetUp() override;
    void TearDown() override;

    PlatformUnderTest& Put() { return *put_; }
    platform::Platform& P() { return put_->Get(); }
    platform::FileSystem& Files() { return put_->Get().files; }
    platform::Registry& Reg() { return put_->Get().registry; }
    platform::ProfileFiles& Profile() { return put_->Get().profile; }
    platform::Processes& Procs() { return put_->Get().processes; }

    // A path in the scratch folder.
    std::string Scratch(const std::string& name);
    // Writes a file through the platform; fails the test when it cannot.
    void MakeFile(const std::string& path, const std::string& content = "x");
    void MakeFolder(const std::string& path);
    // The folder "target" in the scratch folder, holding a.txt ("a") and sub\b.txt ("b"), and
    // `link` leading to it; false where the platform cannot make a link.
    bool MakeLinkedFolder(const std::string& link);
    // The file's bytes, or "<error N>".
    std::string ReadText(const std::string& path);
    // Every name a listing of `pattern` gives, in the order given, and the result that ended
    // it.
    std::vector<std::string> List(const std::string& pattern, platform::ErrorCode* end = nullptr);

    // The scratch key, created, opened with `access`; sub-paths below it.
    platform::Handle CreateScratchKey(const std::string& subPath = "",
                                      std::uint32_t access = platform::regaccess::kWrite |
                                                             platform::regaccess::kRead);
    std::string ScratchKeyPath(const std::string& subPath = "");
    platform::Handle Hklm() { return Reg().Root(platform::RegRoot::LocalMachine); }

    // `"<child>" <ms> <exitCode>`.
    std::string ChildCommand(std::uint32_t ms, std::uint32_t exitCode);

  private:
    std::unique_ptr<PlatformUnderTest> put_;
};

// Removes a folder tree through the platform interface (read-only files included); links go
// as themselves.
void DeleteTreeThrough(platform::FileSystem& files, const std::string& folder);
// Removes a key tree through the platform interface, leaves first.
void DeleteKeyThrough(platform::Registry& registry, platform::Handle root, const std::string& path);

}  // namespace velnora::contract

// Skips a case on Wine where Wine does not do what Windows does; the reason says how.
#define SKIP_ON_WINE(reason)          \
    do {                              \
        if (Put().IsWine())           \
            GTEST_SKIP() << (reason); \
    } while (0)

// Registry, file and settings services that note every change that fails in the log of the
// operation that runs: the key, file or entry, and the error. A log then says what could not be
// changed, also where the operation went on without it. Reads pass unnoted (a missing key or
// file is an answer, not a failure), and so do a folder that already exists and the deletion of
// something that is not there.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace velnora::core {

class RunLog;

class ChangeFailures {
  public:
    explicit ChangeFailures(platform::Platform& inner);
    ~ChangeFailures();
    ChangeFailures(const ChangeFailures&) = delete;
    ChangeFailures& operator=(const ChangeFailures&) = delete;

    // The inner services with the noting registry, files and settings.
    platform::Platform& Services() { return services_; }
    // Where the notes go: the log `*slot` points at, none while it is null.
    void WriteTo(RunLog* const* slot) { slot_ = slot; }

    // Notes one failed change.
    void Note(const std::string& what, const std::string& target, platform::ErrorCode error);

  private:
    class Registry;
    class Files;
    class Profile;

    RunLog* const* slot_ = nullptr;
    // A failed write of the log itself is not noted in it.
    bool noting_ = false;
    std::unique_ptr<Registry> registry_;
    std::unique_ptr<Files> files_;
    std::unique_ptr<Profile> profile_;
    platform::Platform services_;
};

}  // namespace velnora::core

// Shell services of the fake platform: special folders settable per test, the execute calls
// recorded and able to start fake processes, shortcuts stored as small text files in the fake
// file system, product versions carried in the program files themselves, and a predictable
// sequence of GUIDs.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fake/faults.h"
#include "fake/fake_filesystem.h"
#include "fake/fake_processes.h"
#include "platform/shell.h"

namespace velnora::fake {

class FakeShell final : public platform::Shell {
  public:
    FakeShell(FakeFileSystem& files, FakeProcesses& processes, Faults& faults);

    bool GetSpecialFolderPath(int csidlWithFlags, std::string& path) override;
    platform::ErrorCode ShellExecuteEx(const platform::ExecuteRequest& request,
                                       platform::Handle& process) override;
    platform::ErrorCode ShellExecute(const std::string& file, int showCommand) override;
    platform::HResult ReadShortcut(const std::string& linkPath, std::string& target,
                                   std::string& arguments) override;
    platform::HResult CreateShortcut(const std::string& linkPath,
                                     const platform::ShortcutData& data) override;
    int ShellMoveFolder(const std::string& from, const std::string& to) override;
    void NotifyFolderChanged(const std::string& path) override;
    std::optional<std::string> ProductVersion(const std::string& programFile) override;
    bool CreateGuid(platform::Guid& guid) override;

    // --- Special folders ---

    // The folder an id (without flags) stands for. It need not exist: a call with the create
    // flag creates it in the file system.
    void SetSpecialFolder(int csidl, const std::string& path);
    // The folder cannot be determined: GetSpecialFolderPath gives false.
    void RemoveSpecialFolder(int csidl);
    std::optional<std::string> SpecialFolder(int csidl) const;

    // --- Execute ---

    // Every ShellExecuteEx and ShellExecute call, in order (ShellExecute has an empty verb
    // and the mask 0).
    const std::vector<platform::ExecuteRequest>& Executed() const { return executed_; }
    // The user refuses every elevation ("runas" gives kCancelled) while set.
    void RefuseElevation(bool refuse) { refuseElevation_ = refuse; }

    // --- Shortcuts: the text a .lnk file of the fake holds ---

    static std::string EncodeShortcut(const platform::ShortcutData& data);
    static std::optional<platform::ShortcutData> DecodeShortcut(const std::string& content);
    // Writes a shortcut file (folders created as needed).
    void AddShortcut(const std::string& linkPath, const platform::ShortcutData& data);
    std::optional<platform::ShortcutData> Shortcut(const std::string& linkPath) const;

    // --- Folder moves and change notices ---

    const std::vector<std::pair<std::string, std::string>>& ShellMoves() const {
        return shellMoves_;
    }
    const std::vector<std::string>& ChangedFolders() const { return changedFolders_; }

    // --- Version resources: the content of a program file with a product version ---

    static std::string VersionedProgram(const std::string& productVersion);
    // Writes such a program file (folders created as needed).
    void AddVersionedProgram(const std::string& path, const std::string& productVersion);

    // --- GUIDs ---

    // The n-th GUID of the sequence (n from 1); CreateGuid hands them out in order.
    static platform::Guid SequenceGuid(std::uint32_t n);
    // The next `count` calls succeed but leave the GUID all zero.
    void GiveZeroGuids(int count) { zeroGuids_ = count; }
    std::uint32_t GuidsIssued() const { return guidsIssued_; }

  private:
    platform::ErrorCode Execute(const std::string& file, const std::string& parameters,
                                int showCommand, const std::string& via,
                                platform::ProcessInfo& info);

    FakeFileSystem& files_;
    FakeProcesses& processes_;
    Faults& faults_;
    std::map<int, std::string> specialFolders_;
    std::vector<platform::ExecuteRequest> executed_;
    std::vector<std::pair<std::string, std::string>> shellMoves_;
    std::vector<std::string> changedFolders_;
    bool refuseElevation_ = false;
    int zeroGuids_ = 0;
    std::uint32_t guidsIssued_ = 0;
};

}  // namespace velnora::fake

// Shell services: special folders, execution, shell links, folder moves, version resources
// and GUIDs.
#pragma once

#include "platform/shell.h"

namespace velnora::platform::win32 {

class Win32Shell final : public Shell {
  public:
    bool GetSpecialFolderPath(int csidlWithFlags, std::string& path) override;
    ErrorCode ShellExecuteEx(const ExecuteRequest& request, Handle& process) override;
    ErrorCode ShellExecute(const std::string& file, int showCommand) override;
    HResult ReadShortcut(const std::string& linkPath, std::string& target,
                         std::string& arguments) override;
    HResult CreateShortcut(const std::string& linkPath, const ShortcutData& data) override;
    int ShellMoveFolder(const std::string& from, const std::string& to) override;
    void NotifyFolderChanged(const std::string& path) override;
    std::optional<std::string> ProductVersion(const std::string& programFile) override;
    bool CreateGuid(Guid& guid) override;
};

}  // namespace velnora::platform::win32

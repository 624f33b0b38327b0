// Shell services: special folders, shortcuts, verbs, version resources, GUIDs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/types.h"

namespace velnora::platform {

class DialogPage;

namespace csidl {
inline constexpr int kCommonPrograms = 0x17;
inline constexpr int kCommonStartup = 0x18;
inline constexpr int kCommonAppData = 0x23;
inline constexpr int kWindows = 0x24;
inline constexpr int kProgramFiles = 0x26;
inline constexpr int kFlagCreate = 0x8000;
}  // namespace csidl

namespace showcmd {
inline constexpr int kHide = 0;
inline constexpr int kNormal = 1;
inline constexpr int kMinimized = 2;
inline constexpr int kShowMinNoActive = 7;
inline constexpr int kDefault = 10;  // as the program's start-up record asks
}  // namespace showcmd

namespace seemask {
inline constexpr std::uint32_t kNoCloseProcess = 0x40;
inline constexpr std::uint32_t kDdeWait = 0x100;
inline constexpr std::uint32_t kFlagNoUi = 0x400;
}  // namespace seemask

// HRESULT-style status of the shell link calls: 0 is success, negative values fail.
using HResult = std::int32_t;
inline constexpr HResult kHrOk = 0;
inline constexpr HResult kHrFail = static_cast<HResult>(0x80004005u);

struct ShortcutData {
    std::string target;
    std::string arguments;
    std::string workingFolder;
    std::string description;
    std::string iconPath;
    int iconIndex = 0;
    int showCommand = showcmd::kNormal;
};

struct ExecuteRequest {
    std::string verb;  // "open", "runas", or empty for the default verb
    std::string file;
    std::string parameters;
    std::string directory;
    int showCommand = showcmd::kNormal;
    std::uint32_t mask = 0;
    // The page that owns what the shell shows (the elevation prompt); null for none.
    const DialogPage* owner = nullptr;
};

class Shell {
  public:
    virtual ~Shell() = default;

    // SHGetSpecialFolderPath: the folder without a trailing backslash; creates it when the
    // id carries kFlagCreate. False when the folder cannot be determined.
    virtual bool GetSpecialFolderPath(int csidlWithFlags, std::string& path) = 0;

    // ShellExecuteEx. With kNoCloseProcess in the mask the process handle is returned in
    // `process` (kNoHandle when the verb started no process). kCancelled when the user refused
    // an elevation.
    virtual ErrorCode ShellExecuteEx(const ExecuteRequest& request, Handle& process) = 0;
    // ShellExecute with no verb: starts a shortcut's target.
    virtual ErrorCode ShellExecute(const std::string& file, int showCommand) = 0;

    // The shell link object (COM initialised and released around each call).
    virtual HResult ReadShortcut(const std::string& linkPath, std::string& target,
                                 std::string& arguments) = 0;
    virtual HResult CreateShortcut(const std::string& linkPath, const ShortcutData& data) = 0;

    // SHFileOperation FO_MOVE of a folder (no confirmation, no error UI); 0 on success.
    virtual int ShellMoveFolder(const std::string& from, const std::string& to) = 0;
    // SHChangeNotify: a folder's content changed.
    virtual void NotifyFolderChanged(const std::string& path) = 0;

    // The product version text from the program file's version resource: the first entry of
    // "\VarFileInfo\Translation" and "\StringFileInfo\%04X%04X\ProductVersion".
    virtual std::optional<std::string> ProductVersion(const std::string& programFile) = 0;

    // CoCreateGuid. False when no GUID could be made.
    virtual bool CreateGuid(Guid& guid) = 0;
};

}  // namespace velnora::platform

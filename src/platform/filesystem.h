// The file system: paths are UTF-8, at most 260 characters, with "\" separators.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace velnora::platform {

namespace fileattr {
inline constexpr std::uint32_t kReadOnly = 0x01;
inline constexpr std::uint32_t kHidden = 0x02;
inline constexpr std::uint32_t kSystem = 0x04;
inline constexpr std::uint32_t kDirectory = 0x10;
inline constexpr std::uint32_t kArchive = 0x20;
inline constexpr std::uint32_t kNormal = 0x80;
// A junction or symbolic link: the entry stands for another file or folder.
inline constexpr std::uint32_t kReparsePoint = 0x400;
inline constexpr std::uint32_t kInvalid = 0xFFFFFFFF;
}  // namespace fileattr

namespace movefile {
inline constexpr std::uint32_t kReplaceExisting = 0x1;
inline constexpr std::uint32_t kCopyAllowed = 0x2;
inline constexpr std::uint32_t kDelayUntilReboot = 0x4;
inline constexpr std::uint32_t kWriteThrough = 0x8;
}  // namespace movefile

struct FindData {
    std::string name;  // the entry's own name, without folder
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;

    bool IsDirectory() const { return (attributes & fileattr::kDirectory) != 0; }
    bool IsReparsePoint() const { return (attributes & fileattr::kReparsePoint) != 0; }
    // "." and "..": a folder listing's names for the folder itself and its parent.
    bool IsSelfOrParent() const { return name == "." || name == ".."; }
};

// A file's last-write time as the local clock shows it, to the second.
struct LocalFileTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    // The date as "%Y%m%d" and the time as "%H%M%S" read as decimal numbers: comparing the date
    // first and then the time orders two file times to the second.
    std::int32_t DateNumber() const { return year * 10000 + month * 100 + day; }
    std::int32_t TimeNumber() const { return hour * 10000 + minute * 100 + second; }
    bool operator==(const LocalFileTime&) const = default;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // FindFirstFile with a pattern such as "C:\dir\*.*" or a plain path. On success `find` is
    // an open listing to pass to FindNext and FindClose. A missing path gives kFileNotFound
    // or kPathNotFound; "." and ".." come first in a folder's listing, as on Windows.
    virtual ErrorCode FindFirst(const std::string& pattern, Handle& find, FindData& data) = 0;
    // kNoMoreFiles after the last entry.
    virtual ErrorCode FindNext(Handle find, FindData& data) = 0;
    virtual void FindClose(Handle find) = 0;

    virtual std::uint32_t GetAttributes(const std::string& path) = 0;  // kInvalid when missing
    virtual ErrorCode SetAttributes(const std::string& path, std::uint32_t attributes) = 0;

    // MoveFileEx: renames a file or a folder (with its content) on one volume.
    virtual ErrorCode MoveFile(const std::string& from, const std::string& to,
                               std::uint32_t flags) = 0;
    // CopyFile: overwrites an existing target unless failIfExists (then kFileExists).
    virtual ErrorCode CopyFile(const std::string& from, const std::string& to,
                               bool failIfExists) = 0;
    // DeleteFile: kAccessDenied for a read-only file, kSharingViolation while held open.
    virtual ErrorCode DeleteFile(const std::string& path) = 0;
    // CreateDirectory: kAlreadyExists when the folder (or a file of the name) exists,
    // kPathNotFound when the parent is missing.
    virtual ErrorCode CreateDirectory(const std::string& path) = 0;
    // RemoveDirectory: kDirNotEmpty for a folder that holds anything. Of a folder link it
    // removes the link alone, whatever the target holds.
    virtual ErrorCode RemoveDirectory(const std::string& path) = 0;

    // CreateFile for reading and closing it again: does the file exist and can it be opened?
    virtual ErrorCode CanOpenForReading(const std::string& path) = 0;
    // Whole-file reads and writes (bytes as they are). WriteFile creates or truncates.
    virtual ErrorCode ReadFile(const std::string& path, std::string& content) = 0;
    virtual ErrorCode WriteFile(const std::string& path, const std::string& content) = 0;
    // The same, returning only once the bytes are on the disk: for what must survive a power
    // loss.
    virtual ErrorCode WriteFileThrough(const std::string& path, const std::string& content) = 0;

    // GetLongPathName: the path with every component in its long form; kFileNotFound when
    // some component does not exist.
    virtual ErrorCode GetLongPathName(const std::string& path, std::string& longPath) = 0;
    virtual bool PathFileExists(const std::string& path) = 0;
    virtual bool PathIsDirectory(const std::string& path) = 0;

    // The last-write time of a file or folder in local time, with the daylight-saving rule of
    // that date. kFileNotFound or kPathNotFound when it is missing.
    virtual ErrorCode GetModifiedTime(const std::string& path, LocalFileTime& time) = 0;
};

// Does a file search on the path find anything (file or folder)?
bool FileExists(FileSystem& files, const std::string& path);
// Does a file search say for certain that nothing is there? A search that failed for another
// reason does not, so that nothing there is taken for free.
bool CertainlyMissing(FileSystem& files, const std::string& path);

// PathRemoveFileSpec: the path without its last component ("C:\a\b.exe" -> "C:\a",
// "C:\b.exe" -> "C:\"). Pure text work, the same on every platform.
std::string PathRemoveFileSpec(const std::string& path);

}  // namespace velnora::platform

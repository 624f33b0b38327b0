// The file system through the W functions; results are GetLastError codes.
#pragma once

#include "platform/filesystem.h"

namespace velnora::platform::win32 {

class Win32FileSystem final : public FileSystem {
  public:
    ErrorCode FindFirst(const std::string& pattern, Handle& find, FindData& data) override;
    ErrorCode FindNext(Handle find, FindData& data) override;
    void FindClose(Handle find) override;
    std::uint32_t GetAttributes(const std::string& path) override;
    ErrorCode SetAttributes(const std::string& path, std::uint32_t attributes) override;
    ErrorCode MoveFile(const std::string& from, const std::string& to,
                       std::uint32_t flags) override;
    ErrorCode CopyFile(const std::string& from, const std::string& to, bool failIfExists) override;
    ErrorCode DeleteFile(const std::string& path) override;
    ErrorCode CreateDirectory(const std::string& path) override;
    ErrorCode RemoveDirectory(const std::string& path) override;
    ErrorCode CanOpenForReading(const std::string& path) override;
    ErrorCode ReadFile(const std::string& path, std::string& content) override;
    ErrorCode WriteFile(const std::string& path, const std::string& content) override;
    ErrorCode WriteFileThrough(const std::string& path, const std::string& content) override;
    ErrorCode GetLongPathName(const std::string& path, std::string& longPath) override;
    bool PathFileExists(const std::string& path) override;
    bool PathIsDirectory(const std::string& path) override;
    ErrorCode GetModifiedTime(const std::string& path, LocalFileTime& time) override;
};

}  // namespace velnora::platform::win32

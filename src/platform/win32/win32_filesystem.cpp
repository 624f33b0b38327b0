#include "platform/win32/win32_filesystem.h"

#include "platform/win32/text_conversion.h"
#include "platform/win32/win32_support.h"

namespace velnora::platform::win32 {
namespace {

ErrorCode Result(BOOL succeeded) {
    return succeeded ? error::kSuccess : LastError();
}

void Convert(const WIN32_FIND_DATAW& found, FindData& data) {
    data.name = Utf8(found.cFileName, wcsnlen(found.cFileName, MAX_PATH));
    data.attributes = found.dwFileAttributes;
    data.size = (std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
}

// Largest piece handed to one ReadFile or WriteFile call.
constexpr std::size_t kChunk = std::size_t{1} << 20;

}  // namespace

ErrorCode Win32FileSystem::FindFirst(const std::string& pattern, Handle& find, FindData& data) {
    WIN32_FIND_DATAW found{};
    HANDLE listing = FindFirstFileW(Wide(pattern).c_str(), &found);
    if (listing == INVALID_HANDLE_VALUE) {
        find = kNoHandle;
        return LastError();
    }
    find = FromNative(listing);
    Convert(found, data);
    return error::kSuccess;
}

ErrorCode Win32FileSystem::FindNext(Handle find, FindData& data) {
    WIN32_FIND_DATAW found{};
    if (!FindNextFileW(ToNative<HANDLE>(find), &found))
        return LastError();
    Convert(found, data);
    return error::kSuccess;
}

void Win32FileSystem::FindClose(Handle find) {
    if (find != kNoHandle)
        ::FindClose(ToNative<HANDLE>(find));
}

std::uint32_t Win32FileSystem::GetAttributes(const std::string& path) {
    return GetFileAttributesW(Wide(path).c_str());
}

ErrorCode Win32FileSystem::SetAttributes(const std::string& path, std::uint32_t attributes) {
    return Result(SetFileAttributesW(Wide(path).c_str(), attributes));
}

ErrorCode Win32FileSystem::MoveFile(const std::string& from, const std::string& to,
                                    std::uint32_t flags) {
    return Result(MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), flags));
}

ErrorCode Win32FileSystem::CopyFile(const std::string& from, const std::string& to,
                                    bool failIfExists) {
    return Result(CopyFileW(Wide(from).c_str(), Wide(to).c_str(), failIfExists));
}

ErrorCode Win32FileSystem::DeleteFile(const std::string& path) {
    return Result(DeleteFileW(Wide(path).c_str()));
}

ErrorCode Win32FileSystem::CreateDirectory(const std::string& path) {
    return Result(CreateDirectoryW(Wide(path).c_str(), nullptr));
}

ErrorCode Win32FileSystem::RemoveDirectory(const std::string& path) {
    return Result(RemoveDirectoryW(Wide(path).c_str()));
}

ErrorCode Win32FileSystem::CanOpenForReading(const std::string& path) {
    ScopedHandle file(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.Valid() ? error::kSuccess : LastError();
}

ErrorCode Win32FileSystem::ReadFile(const std::string& path, std::string& content) {
    content.clear();
    ScopedHandle file(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return LastError();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size))
        return LastError();
    if (static_cast<std::uint64_t>(size.QuadPart) > content.max_size())
        return error::kNotEnoughMemory;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t piece = bytes.size() - done < kChunk ? bytes.size() - done : kChunk;
        DWORD read = 0;
        if (!::ReadFile(file.Get(), bytes.data() + done, static_cast<DWORD>(piece), &read, nullptr))
            return LastError();
        if (read == 0)
            break;  // the file shrank meanwhile
        done += read;
    }
    bytes.resize(done);
    content = std::move(bytes);
    return error::kSuccess;
}

namespace {

ErrorCode WriteWhole(const std::string& path, const std::string& content, bool through) {
    ScopedHandle file(CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | (through ? FILE_FLAG_WRITE_THROUGH : 0),
                                  nullptr));
    if (!file.Valid())
        return LastError();
    std::size_t done = 0;
    while (done < content.size()) {
        const std::size_t piece = content.size() - done < kChunk ? content.size() - done : kChunk;
        DWORD written = 0;
        if (!::WriteFile(file.Get(), content.data() + done, static_cast<DWORD>(piece), &written,
                         nullptr))
            return LastError();
        if (written == 0)
            return ERROR_WRITE_FAULT;
        done += written;
    }
    if (through && !::FlushFileBuffers(file.Get()))
        return LastError();
    return error::kSuccess;
}

}  // namespace

ErrorCode Win32FileSystem::WriteFile(const std::string& path, const std::string& content) {
    return WriteWhole(path, content, false);
}

ErrorCode Win32FileSystem::WriteFileThrough(const std::string& path, const std::string& content) {
    return WriteWhole(path, content, true);
}

ErrorCode Win32FileSystem::GetLongPathName(const std::string& path, std::string& longPath) {
    const std::wstring widePath = Wide(path);
    ErrorCode failure = error::kSuccess;
    std::wstring expanded;
    const bool done = CallWithGrowingBuffer(
        [&](wchar_t* buffer, DWORD capacity, std::size_t& length) {
            length = GetLongPathNameW(widePath.c_str(), buffer, capacity);
            if (length == 0) {
                failure = LastError();
                return Fill::kFailed;
            }
            return length >= capacity ? Fill::kTooSmall : Fill::kDone;
        },
        expanded);
    if (!done)
        return failure != error::kSuccess ? failure : error::kInsufficientBuffer;
    longPath = Utf8(expanded);
    return error::kSuccess;
}

bool Win32FileSystem::PathFileExists(const std::string& path) {
    return PathFileExistsW(Wide(path).c_str()) != FALSE;
}

bool Win32FileSystem::PathIsDirectory(const std::string& path) {
    return PathIsDirectoryW(Wide(path).c_str()) != FALSE;
}

ErrorCode Win32FileSystem::GetModifiedTime(const std::string& path, LocalFileTime& time) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data))
        return LastError();
    // The rule of the file's own date, as the C run-time's localtime gives it, not today's.
    SYSTEMTIME utc{};
    SYSTEMTIME local{};
    if (!FileTimeToSystemTime(&data.ftLastWriteTime, &utc) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return LastError();
    time = {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
    return error::kSuccess;
}

}  // namespace velnora::platform::win32

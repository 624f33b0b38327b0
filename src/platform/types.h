// Small value types shared by every platform service. All text is UTF-8.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace velnora::platform {

// A Windows error code as GetLastError or a registry call gives it; 0 is success.
using ErrorCode = std::uint32_t;

namespace error {
inline constexpr ErrorCode kSuccess = 0;
inline constexpr ErrorCode kFileNotFound = 2;
inline constexpr ErrorCode kPathNotFound = 3;
inline constexpr ErrorCode kAccessDenied = 5;
inline constexpr ErrorCode kInvalidHandle = 6;
inline constexpr ErrorCode kNotEnoughMemory = 8;
inline constexpr ErrorCode kNoMoreFiles = 18;
inline constexpr ErrorCode kSharingViolation = 32;
inline constexpr ErrorCode kFileExists = 80;
inline constexpr ErrorCode kInvalidParameter = 87;
inline constexpr ErrorCode kInsufficientBuffer = 122;
inline constexpr ErrorCode kDirNotEmpty = 145;
inline constexpr ErrorCode kAlreadyExists = 183;
inline constexpr ErrorCode kMoreData = 234;
inline constexpr ErrorCode kNoMoreItems = 259;
inline constexpr ErrorCode kNotAllAssigned = 1300;
inline constexpr ErrorCode kCancelled = 1223;
inline constexpr ErrorCode kKeyDeleted = 1018;
}  // namespace error

// An opaque handle of the platform (registry key, process, find listing, snapshot, mutex).
// 0 is never a valid handle.
using Handle = std::uintptr_t;
inline constexpr Handle kNoHandle = 0;

struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};

    bool IsZero() const {
        if (data1 != 0 || data2 != 0 || data3 != 0)
            return false;
        for (auto b : data4)
            if (b != 0)
                return false;
        return true;
    }
};

// The platform ids of the two families of Windows.
inline constexpr std::uint32_t kWin9xPlatformId = 1;
inline constexpr std::uint32_t kNtPlatformId = 2;

struct OsVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint32_t platformId = 0;

    bool IsNt() const { return platformId == kNtPlatformId; }
};

}  // namespace velnora::platform

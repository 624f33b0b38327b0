// Small pieces every Win32 service shares: handle casts, optional wide arguments and W calls
// whose result length is not known in advance.
#pragma once

#include "platform/win32/windows_api.h"

#include <cstddef>
#include <string>
#include <utility>

#include "platform/types.h"

namespace velnora::platform::win32 {

template <typename Native>
Native ToNative(Handle handle) {
    return reinterpret_cast<Native>(handle);
}

inline Handle FromNative(const void* native) {
    return reinterpret_cast<Handle>(native);
}

inline ErrorCode LastError() {
    return static_cast<ErrorCode>(GetLastError());
}

// Null for an empty text: the API's "not given".
inline const wchar_t* OrNull(const std::wstring& text) {
    return text.empty() ? nullptr : text.c_str();
}

// What one attempt of a W call with a caller-supplied buffer gave.
enum class Fill { kDone, kTooSmall, kFailed };

// Calls `attempt(buffer, capacity, length)` with a growing buffer until it reports kDone
// (then `length` characters of the buffer are the result) or kFailed. On kTooSmall `length`
// may carry the capacity the call asked for. Gives false on failure or absurd sizes.
template <typename Attempt>
bool CallWithGrowingBuffer(Attempt attempt, std::wstring& result,
                           std::size_t initialCapacity = MAX_PATH + 1) {
    constexpr std::size_t kLimit = std::size_t{1} << 24;
    std::size_t capacity = initialCapacity;
    while (capacity <= kLimit) {
        std::wstring buffer(capacity, L'\0');
        std::size_t length = 0;
        switch (attempt(buffer.data(), static_cast<DWORD>(capacity), length)) {
            case Fill::kDone:
                buffer.resize(length < capacity ? length : capacity);
                result = std::move(buffer);
                return true;
            case Fill::kFailed:
                return false;
            case Fill::kTooSmall:
                capacity = length > capacity * 2 ? length : capacity * 2;
                break;
        }
    }
    return false;
}

// A kernel handle closed when it goes out of scope; null and INVALID_HANDLE_VALUE hold
// nothing.
class ScopedHandle {
  public:
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ~ScopedHandle() {
        if (Valid())
            CloseHandle(handle_);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }

  private:
    HANDLE handle_;
};

// COM for the current thread for the life of the object; released only when taken here.
class ComScope {
  public:
    ComScope();
    ~ComScope();
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

    // False when COM cannot be used on this thread.
    bool Usable() const { return SUCCEEDED(status_) || status_ == RPC_E_CHANGED_MODE; }
    HRESULT Status() const { return status_; }

  private:
    HRESULT status_;
};

// An interface pointer released when it goes out of scope.
template <typename Interface>
class ComRef {
  public:
    ComRef() = default;
    ~ComRef() {
        if (pointer_ != nullptr)
            pointer_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    Interface* operator->() const { return pointer_; }
    void** Out() { return reinterpret_cast<void**>(&pointer_); }

  private:
    Interface* pointer_ = nullptr;
};

}  // namespace velnora::platform::win32

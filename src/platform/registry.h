// The registry, with the calls and results Windows gives. Text data (REG_SZ, REG_EXPAND_SZ,
// REG_MULTI_SZ) travels as UTF-8 bytes including its terminating zero(s); every other type
// travels as the raw bytes, so a value read and written back keeps its type and bytes.
//
// Limits count as the W functions count: names in characters, text data in characters with
// its zero(s), other data in bytes. Characters are UTF-16 code units (platform/text_units.h),
// so what fitted an ANSI buffer of the same size still fits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace velnora::platform {

// The current user's root holds only what a program without administrator rights records for
// itself (its logon value).
enum class RegRoot { LocalMachine, ClassesRoot, CurrentUser };

namespace regtype {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kString = 1;        // REG_SZ
inline constexpr std::uint32_t kExpandString = 2;  // REG_EXPAND_SZ
inline constexpr std::uint32_t kBinary = 3;        // REG_BINARY
inline constexpr std::uint32_t kDword = 4;         // REG_DWORD
inline constexpr std::uint32_t kMultiString = 7;   // REG_MULTI_SZ
}  // namespace regtype

namespace regaccess {
inline constexpr std::uint32_t kEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t kWrite = 0x20006;
inline constexpr std::uint32_t kRead = 0x20019;
inline constexpr std::uint32_t kReadAndSet = 0x2001B;
}  // namespace regaccess

struct RegValue {
    std::uint32_t type = regtype::kNone;
    std::vector<std::uint8_t> data;
};

struct RegKeyInfo {
    std::uint32_t subKeys = 0;
    std::uint32_t values = 0;
    std::uint32_t maxValueNameLength = 0;  // in characters, without the terminating zero
    std::uint32_t maxValueDataLength = 0;  // the largest DataLength of the key's values
};

class Registry {
  public:
    virtual ~Registry() = default;

    // A handle that stands for the root itself; it needs no closing. Usable wherever an open
    // key is expected (open, create, delete relative to the root).
    virtual Handle Root(RegRoot root) = 0;

    // RegOpenKeyEx: `parent` is a root handle or an open key, `path` may be empty.
    virtual ErrorCode OpenKey(Handle parent, const std::string& path, std::uint32_t access,
                              Handle& key) = 0;
    // RegOpenKey: the same with the service's default access; creates nothing.
    virtual ErrorCode OpenKeyDefault(Handle parent, const std::string& path, Handle& key) = 0;
    // RegCreateKeyEx: creates every missing key of the path, or opens an existing one.
    virtual ErrorCode CreateKey(Handle parent, const std::string& path, std::uint32_t access,
                                Handle& key) = 0;
    virtual ErrorCode CloseKey(Handle key) = 0;

    // RegEnumKeyEx with a name buffer of nameBufferSize characters (terminating zero included).
    // kNoMoreItems after the last subkey; kMoreData when the name does not fit.
    virtual ErrorCode EnumKey(Handle key, std::uint32_t index, std::size_t nameBufferSize,
                              std::string& name) = 0;
    // RegEnumValue in the order Windows gives (order of creation). Names as EnumKey, data as
    // QueryValue.
    virtual ErrorCode EnumValue(Handle key, std::uint32_t index, std::size_t nameBufferSize,
                                std::size_t dataBufferSize, std::string& name, RegValue& value) = 0;
    virtual ErrorCode QueryInfoKey(Handle key, RegKeyInfo& info) = 0;
    // RegQueryValueEx; an empty name is the default value. A value whose DataLength exceeds
    // dataBufferSize is a failure (kMoreData) and `value` stays empty.
    virtual ErrorCode QueryValue(Handle key, const std::string& name, std::size_t dataBufferSize,
                                 RegValue& value) = 0;
    // RegSetValueEx; an empty name is the default value.
    virtual ErrorCode SetValue(Handle key, const std::string& name, const RegValue& value) = 0;
    // RegDeleteKey: fails while the key has subkeys.
    virtual ErrorCode DeleteKey(Handle parent, const std::string& path) = 0;
    // RegDeleteValue: kFileNotFound when the value did not exist.
    virtual ErrorCode DeleteValue(Handle key, const std::string& name) = 0;
};

// An open key that closes itself on every path. Close() is there for the callers to whom the
// result of closing matters.
class RegKey {
  public:
    explicit RegKey(Registry& registry) : registry_(registry) {}
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // Closes what this object held first.
    ErrorCode Open(Handle parent, const std::string& path, std::uint32_t access);
    ErrorCode OpenDefault(Handle parent, const std::string& path);
    ErrorCode Create(Handle parent, const std::string& path, std::uint32_t access);

    bool IsOpen() const { return key_ != kNoHandle; }
    Handle Get() const { return key_; }
    // kSuccess when nothing was open.
    ErrorCode Close();

  private:
    ErrorCode Take(ErrorCode result, Handle key);

    Registry& registry_;
    Handle key_ = kNoHandle;
};

// Helpers to build and read text and number values.
RegValue StringValue(const std::string& text, std::uint32_t type = regtype::kString);
RegValue DwordValue(std::uint32_t number);
// The text of a string value up to its first zero; other types give their bytes as they are.
std::string ValueText(const RegValue& value);
bool IsTextType(std::uint32_t type);
// The size a data buffer needs for the value: characters for text, bytes otherwise.
std::size_t DataLength(const RegValue& value);

}  // namespace velnora::platform

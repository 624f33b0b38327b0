// The registry through the W functions: text data converted between UTF-16 and UTF-8, and
// every limit of the interface counted as the W functions count it.
#pragma once

#include "platform/registry.h"

namespace velnora::platform::win32 {

class Win32Registry final : public Registry {
  public:
    Handle Root(RegRoot root) override;
    ErrorCode OpenKey(Handle parent, const std::string& path, std::uint32_t access,
                      Handle& key) override;
    ErrorCode OpenKeyDefault(Handle parent, const std::string& path, Handle& key) override;
    ErrorCode CreateKey(Handle parent, const std::string& path, std::uint32_t access,
                        Handle& key) override;
    ErrorCode CloseKey(Handle key) override;
    ErrorCode EnumKey(Handle key, std::uint32_t index, std::size_t nameBufferSize,
                      std::string& name) override;
    ErrorCode EnumValue(Handle key, std::uint32_t index, std::size_t nameBufferSize,
                        std::size_t dataBufferSize, std::string& name, RegValue& value) override;
    ErrorCode QueryInfoKey(Handle key, RegKeyInfo& info) override;
    ErrorCode QueryValue(Handle key, const std::string& name, std::size_t dataBufferSize,
                         RegValue& value) override;
    ErrorCode SetValue(Handle key, const std::string& name, const RegValue& value) override;
    ErrorCode DeleteKey(Handle parent, const std::string& path) override;
    ErrorCode DeleteValue(Handle key, const std::string& name) override;
};

}  // namespace velnora::platform::win32

// UTF-8 <-> UTF-16 conversion: the only place where the programs' text changes form.
#pragma once

#include <string>

namespace velnora::platform::win32 {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);
std::string Utf8(const wchar_t* wide, std::size_t length);

}  // namespace velnora::platform::win32

// Text helpers shared by the driver and the tests: the driver speaks UTF-16 like the W API,
// test output and files are UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace velnora::e2e {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// "&Yes" -> "Yes": button captions carry accelerator marks, "&&" stands for "&".
std::wstring StripAccelerator(std::wstring_view caption);

}  // namespace velnora::e2e

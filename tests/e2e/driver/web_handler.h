// The prefix's handler of web addresses, taken over by a stand-in while a test runs, so that a
// test can see which address a program handed to the browser.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace velnora::e2e {

// A user's own handler (HKCU) wins on Windows; Wine reads only the machine's, so both are set,
// and the machine's is put back afterwards.
class WebAddressHandler {
  public:
    static constexpr const wchar_t* kSchemes[] = {L"http", L"https"};

    static std::wstring Key(const wchar_t* scheme);

    // `command` as "shell\open\command" of both schemes, "%1" standing for the address.
    explicit WebAddressHandler(const std::wstring& command);
    ~WebAddressHandler();
    WebAddressHandler(const WebAddressHandler&) = delete;
    WebAddressHandler& operator=(const WebAddressHandler&) = delete;

    bool Ok() const { return ok_; }

  private:
    std::vector<std::optional<std::wstring>> saved_;
    bool ok_ = true;
};

}  // namespace velnora::e2e

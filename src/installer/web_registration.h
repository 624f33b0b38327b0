// The web registration that autorun.ini may offer on the finish page: [General] keys, the
// Japanese names when the Japanese text set is active.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/profile.h"

namespace velnora::installer {

// Every value is read into a buffer of this many characters.
inline constexpr std::size_t kWebRegistrationBufferSize = 1024;

struct WebRegistration {
    std::string url;
    std::string caption;
    std::string explanation;  // as written, "\n" still two characters
};

// Nothing unless the switch says "ENABLE" in any letter case.
std::optional<WebRegistration> ReadWebRegistration(platform::ProfileFiles& profile,
                                                   const std::string& autorunPath, bool japanese);

// The registration button shows only for an address longer than 21 characters that begins
// with "http" (this letter case), with a caption and an explanation.
bool OffersRegistrationButton(const WebRegistration& registration);

// What the shell may be handed as a web address: "http://" or "https://" followed by more.
// Anything else might name a program on the medium, which the button must never start.
bool IsWebAddress(std::string_view address);

}  // namespace velnora::installer

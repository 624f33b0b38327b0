#include "installer/web_registration.h"

#include "installer/catalogue.h"

namespace velnora::installer {

namespace {

constexpr char kSection[] = "General";
constexpr std::size_t kShortestAddress = 22;

struct Keys {
    const char* enable;
    const char* url;
    const char* caption;
    const char* explanation;
};
constexpr Keys kEnglishKeys{"US_WEB_registEng", "US_WEB_UrlEng", "US_WEB_ButtonTxtEng",
                            "US_WEB_ExplainTxtEng"};
constexpr Keys kJapaneseKeys{"US_WEB_registJpn", "US_WEB_UrlJpn", "US_WEB_ButtonTxtJpn",
                             "US_WEB_ExplainTxtJpn"};

std::string Read(platform::ProfileFiles& profile, const std::string& file, const char* key) {
    std::string value;
    profile.GetString(kSection, std::string(key), "", kWebRegistrationBufferSize, file, value);
    return value;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::optional<WebRegistration> ReadWebRegistration(platform::ProfileFiles& profile,
                                                   const std::string& autorunPath, bool japanese) {
    const Keys& keys = japanese ? kJapaneseKeys : kEnglishKeys;
    if (!SameTextIgnoringCase(Read(profile, autorunPath, keys.enable), "ENABLE"))
        return std::nullopt;
    WebRegistration registration;
    registration.url = Read(profile, autorunPath, keys.url);
    registration.caption = Read(profile, autorunPath, keys.caption);
    registration.explanation = Read(profile, autorunPath, keys.explanation);
    return registration;
}

bool OffersRegistrationButton(const WebRegistration& registration) {
    return registration.url.size() >= kShortestAddress && StartsWith(registration.url, "http") &&
           !registration.caption.empty() && !registration.explanation.empty();
}

bool IsWebAddress(std::string_view address) {
    for (const std::string_view scheme : {"http://", "https://"})
        if (address.size() > scheme.size() &&
            SameTextIgnoringCase(address.substr(0, scheme.size()), scheme))
            return true;
    return false;
}

}  // namespace velnora::installer

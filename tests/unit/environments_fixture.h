// A fake Windows XP machine with a program context, and helpers that write uninstall entries
// the way the vendor installer leaves them.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "fake/fake_platform.h"
#include "installer/context.h"

namespace velnora::testing {

inline const std::string kProductGuid = core::kVantorixProductGuid;

inline std::string EntryKey(const std::string& keyName) {
    return std::string(core::kUninstallRoot) + "\\" + keyName;
}

// A parked key name of the same shape as the product GUID.
inline std::string ParkedName(int n) {
    char text[39];
    std::snprintf(text, sizeof text, "{0000%04d-1111-2222-3333-444455556666}", n);
    return text;
}

class EnvironmentFixture : public ::testing::Test {
  protected:
    EnvironmentFixture() {
        context.startup.settingsFile = "Velnora.ini";
        context.startup.osVersion = {5, 1, 2600, 2};
    }

    // An environment entry: "DisplayName" while active (key name = product GUID), else
    // "_DisplayName".
    void AddEnvironment(const std::string& keyName, const std::string& location,
                        const std::string& displayName = "Vantorix") {
        const std::string key = EntryKey(keyName);
        fake.registry.SetText(platform::RegRoot::LocalMachine, key, "ProductGuid", kProductGuid);
        fake.registry.SetText(platform::RegRoot::LocalMachine, key,
                              keyName == kProductGuid ? "DisplayName" : "_DisplayName",
                              displayName);
        fake.registry.SetText(platform::RegRoot::LocalMachine, key, "InstallLocation", location);
    }

    void SetEntryText(const std::string& keyName, const std::string& name,
                      const std::string& text) {
        fake.registry.SetText(platform::RegRoot::LocalMachine, EntryKey(keyName), name, text);
    }

    std::vector<std::string> KeyNames() const {
        std::vector<std::string> names;
        for (int row = 0; row < context.environments.Count(); ++row)
            names.push_back(context.environments.Row(row).keyName);
        return names;
    }

    std::string InstanceCountRecord() {
        std::string out;
        fake.profile.GetString("General", std::string("VtxInstanceCount"), "<none>", 64,
                               "Velnora.ini", out);
        return out;
    }

    fake::FakePlatform fake;
    installer::Context context{fake.Get()};
};

}  // namespace velnora::testing

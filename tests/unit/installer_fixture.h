// A fresh fake machine and program context for the installer tests: the program runs as
// C:\Media\Velnora.exe on Windows XP with TEMP at C:\TEMP.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "fake/fake_platform.h"
#include "installer/context.h"
#include "recording_watch.h"

namespace velnora::installer::testing {

inline constexpr char kAutorunIni[] = "C:\\Media\\autorun.ini";
inline constexpr char kStateFile[] = "C:\\TEMP\\_autorun.ini";
inline constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

class InstallerFixture : public ::testing::Test {
  protected:
    InstallerFixture() : context(fake.Get()) {
        context.startup.programBaseName = "Velnora";
        context.startup.managerBaseName = "Velnora";
        context.startup.settingsFile = "Velnora.ini";
        context.startup.programFolder = "C:\\Media";
        SetOs(5, 1, 2);
    }

    void SetOs(std::uint32_t major, std::uint32_t minor, std::uint32_t platformId) {
        context.startup.osVersion = platform::OsVersion{major, minor, 0, platformId};
        fake.session.SetVersion(major, minor, platformId);
    }

    // A key of a profile file as the profile service reads it; nothing when it is missing.
    std::optional<std::string> IniValue(const std::string& file, const std::string& section,
                                        const std::string& key) {
        const std::string missing = "\x01missing";
        std::string value;
        fake.profile.GetString(section, key, missing, 4096, file, value);
        if (value == missing)
            return std::nullopt;
        return value;
    }

    std::optional<std::string> RunValue(const std::string& name = "Autorun") {
        return fake.registry.GetText(platform::RegRoot::LocalMachine, kRunKey, name);
    }
    std::optional<std::string> UserRunValue(const std::string& name = "Autorun") {
        return fake.registry.GetText(platform::RegRoot::CurrentUser, kRunKey, name);
    }

    // What the engines said so far, through the notices they gave back and the run's watch, in
    // that order; nothing of it may have been a message box of their own.
    std::vector<core::Notice> Said() const {
        EXPECT_TRUE(fake.ui.MessageBoxes().empty());
        std::vector<core::Notice> said = notices;
        said.insert(said.end(), watch.told.begin(), watch.told.end());
        return said;
    }
    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
        for (const core::Notice& notice : Said())
            texts.push_back(notice.text);
        return texts;
    }

    fake::FakePlatform fake;
    installer::Context context;
    core::Notices notices;
    velnora::testing::RecordingWatch watch;
    std::uint32_t exitCode = 0;
};

}  // namespace velnora::installer::testing

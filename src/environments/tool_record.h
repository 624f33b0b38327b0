// The tool record Vtx2Inst.ini: where each environment's record lies and how it is read.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/texts.h"
#include "platform/profile.h"

namespace velnora::core {
struct Context;
}

namespace velnora::environments {

struct Context;

inline constexpr char kToolRecordFileName[] = "Vtx2Inst.ini";
// Each package list keeps at most this many entries.
inline constexpr std::size_t kMaxPackageEntries = 256;

// The Windows folder without a trailing backslash; empty when it cannot be found.
std::string FindWindowsFolder(core::Context& context);

// The live record for the active environment, "<Windows>\<key name>Vtx2Inst.ini" otherwise.
std::string ToolRecordPath(Context& context, int row);
// The active environment's record, where the installers read and write.
std::string LiveToolRecordPath(core::Context& context);

// The lines "key=value" of a section in file order; empty when the section is missing.
std::vector<std::string> ReadSectionEntries(platform::ProfileFiles& profile,
                                            const std::string& file, const std::string& section);

// The text after the first "=" of a section line, the whole line without one.
std::string LineValue(const std::string& line);

// "V." + the value of the VTX line that names the environment's version, or empty.
std::string ReadToolRecordVersion(platform::ProfileFiles& profile, const std::string& file);

struct ToolComposition {
    bool entryReadable = false;
    std::string location;
    bool displayNameReadable = false;
    std::string displayName;
    std::string version;
    bool categorised = false;     // the record has a non-empty "Ini Version" section
    bool softwareListed = false;  // categorised, and "Install Software" has lines
    std::vector<std::string> toolchains;
    std::vector<std::string> simulatorDebuggers;
    std::vector<std::string> emulatorDebuggers;
    std::vector<std::string> others;
    std::vector<std::string> unclassified;  // whole lines
    std::vector<std::string> records;       // values of "Installation Record"
};

ToolComposition ReadToolComposition(Context& context, int row);

// The package lists of a composition as the report and the maintenance page show them, under
// one "Package" heading. A record with categories shows one labelled group per non-empty list;
// a record without them shows its unclassified lines directly under the heading.
struct PackageGroup {
    std::optional<core::TextId> label;  // none: the lines stand directly under the heading
    const std::vector<std::string>* entries = nullptr;
};
// Empty when nothing is shown, not even the heading.
std::vector<PackageGroup> PackageGroups(const ToolComposition& composition);

}  // namespace velnora::environments

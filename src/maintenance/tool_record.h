// The tool record Vtx2Inst.ini: where each environment's record lies, how it is read, and the
// installation report of all environments.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/profile.h"

namespace velnora::app {
struct Context;
}

namespace velnora::maintenance {

inline constexpr char kToolRecordFileName[] = "Vtx2Inst.ini";
// Each package list keeps at most this many entries.
inline constexpr std::size_t kMaxPackageEntries = 256;

// The Windows folder without a trailing backslash; empty when it cannot be found.
std::string FindWindowsFolder(app::Context& context);

// The live record for the active environment, "<Windows>\<key name>Vtx2Inst.ini" otherwise.
std::string ToolRecordPath(app::Context& context, int row);

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

ToolComposition ReadToolComposition(app::Context& context, int row);

// Enumerates the environments and writes the report of all of them as UTF-8 text with a
// byte-order mark and CR LF line ends. False when the file cannot be written.
bool WriteInstallationReport(app::Context& context, const std::string& path);

// "Save to file" of the maintenance page: asks for a text file and writes the report into it.
// Neither a cancel nor a failed write is told to the user.
void SaveInstallationReport(app::Context& context);

}  // namespace velnora::maintenance

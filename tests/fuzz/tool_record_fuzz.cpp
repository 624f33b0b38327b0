// Vtx2Inst.ini as the vendor installers leave it: the version, the package lists and the
// history of the active environment, as the maintenance page and the report read them.
#include <algorithm>
#include <tuple>
#include <vector>

#include "environments/environment_table.h"
#include "environments/file_utilities.h"
#include "environments/tool_record.h"
#include "fuzz_support.h"
#include "installer/context.h"

namespace velnora::fuzz {
namespace {

using environments::ToolComposition;

constexpr char kRecord[] = "C:\\WINDOWS\\Vtx2Inst.ini";

auto Fields(const ToolComposition& c) {
    return std::tie(c.entryReadable, c.location, c.displayNameReadable, c.displayName, c.version,
                    c.categorised, c.softwareListed, c.toolchains, c.simulatorDebuggers,
                    c.emulatorDebuggers, c.others, c.unclassified, c.records);
}

std::vector<std::string> Lines(installer::Context& context, const char* section) {
    return environments::ReadSectionEntries(context.platform.profile, kRecord, section);
}

bool IsVersionLine(const std::string& line) {
    return environments::UpperCase(line.substr(0, 3)) == "VTX";
}

// Does `part` occur in `whole` in the same order, each element once?
bool IsSubsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
    auto at = whole.begin();
    for (const std::string& line : part) {
        at = std::find(at, whole.end(), line);
        if (at == whole.end())
            return false;
        ++at;
    }
    return true;
}

void CheckVersion(const std::string& version, const std::vector<std::string>& lines) {
    if (version.empty())
        return;
    Require(version.starts_with("V."), "a version starts with V.");
    const bool fromVtxLine = std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
        return IsVersionLine(l) && "V." + environments::LineValue(l) == version;
    });
    Require(fromVtxLine, "the version is the value of a VTX line");
}

void CheckPackages(const ToolComposition& c, const std::vector<std::string>& software) {
    for (const auto* list :
         {&c.toolchains, &c.simulatorDebuggers, &c.emulatorDebuggers, &c.others, &c.unclassified}) {
        Require(list->size() <= environments::kMaxPackageEntries,
                "a package list keeps at most its 256 entries");
        if (list == &c.unclassified)
            continue;
        for (const std::string& text : *list) {
            const bool fromLine =
                std::any_of(software.begin(), software.end(), [&](const std::string& line) {
                    return environments::LineValue(line).ends_with(text);
                });
            Require(fromLine, "a package text is the end of an Install Software value");
        }
    }
    for (const auto& group : environments::PackageGroups(c))
        Require(group.entries != nullptr && !group.entries->empty(),
                "a package group shown has entries");
}

}  // namespace
}  // namespace velnora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velnora;
    using namespace velnora::fuzz;
    FuzzMachine machine;
    installer::Context& context = machine.context;
    const std::string entry = std::string(core::kUninstallRoot) + "\\" + core::kVantorixProductGuid;
    auto& registry = machine.fake.registry;
    registry.SetText(platform::RegRoot::LocalMachine, entry, "ProductGuid",
                     core::kVantorixProductGuid);
    registry.SetText(platform::RegRoot::LocalMachine, entry, "DisplayName", "Vantorix V4.08");
    registry.SetText(platform::RegRoot::LocalMachine, entry, "InstallLocation", "C:\\Vtx\\V408");
    Require(environments::EnumerateEnvironments(context) && context.environments.Count() == 1,
            "the active environment is listed");
    machine.PutFile(kRecord, AsText(data, size));

    const ToolComposition c = environments::ReadToolComposition(context, 0);
    Require(Fields(c) == Fields(environments::ReadToolComposition(context, 0)),
            "a second read gives the same composition");
    Require(c.version == environments::ReadToolRecordVersion(context.platform.profile, kRecord),
            "the composition's version is the record's");

    const auto versionLines = Lines(context, "Install Version");
    CheckVersion(c.version, versionLines);
    Require(IsSubsequence(c.unclassified, versionLines),
            "unclassified packages are whole Install Version lines, in order");
    CheckPackages(c, Lines(context, "Install Software"));
    if (!c.categorised) {
        Require(!c.softwareListed && c.toolchains.empty() && c.simulatorDebuggers.empty() &&
                    c.emulatorDebuggers.empty() && c.others.empty() && c.records.empty(),
                "a record without Ini Version is read no further");
    } else {
        Require(c.records.size() == Lines(context, "Installation Record").size(),
                "every history line is listed");
    }
    return 0;
}

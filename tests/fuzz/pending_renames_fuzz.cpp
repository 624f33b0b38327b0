// The restart renames that Windows keeps for every program in one registry value, read before
// and after an uninstaller runs; only the uninstaller's own pairs inside the environment's
// folders are taken back.
#include <array>

#include "app/command_line.h"
#include "fuzz_support.h"
#include "maintenance/environment_uninstall.h"

namespace velnora::fuzz {
namespace {

constexpr std::array<std::string_view, 4> kFolders = {
    "C:\\Program Files\\Common Files\\Orvessa\\{3B9F02D6-4C71-4E8A-B5D3-1F60A2C7E948}", "C:\\Vtx",
    "C:\\Vtx\\", "C:\\"};

// A pair is inside a folder only as a whole component below it, never as a name that merely
// starts the same, and a drive's root holds nothing.
void CheckInside(std::string_view path) {
    for (std::string_view folder : kFolders) {
        if (!maintenance::IsPathInside(path, folder))
            continue;
        std::string_view bare = path;
        if (bare.starts_with("\\??\\"))
            bare.remove_prefix(4);
        while (folder.ends_with('\\'))
            folder.remove_suffix(1);
        Require(folder.find('\\') != std::string_view::npos, "a drive's root holds nothing");
        Require(app::LowerAscii(bare.substr(0, folder.size())) == app::LowerAscii(folder),
                "a path inside a folder starts with it");
        Require(bare.size() == folder.size() || bare[folder.size()] == '\\',
                "a path inside a folder goes on with a whole component");
    }
}

}  // namespace
}  // namespace velnora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velnora;
    using namespace velnora::fuzz;
    const std::string_view list = AsText(data, size);
    const auto pairs = maintenance::SplitRenamePairs(list);
    const auto again = maintenance::SplitRenamePairs(list);
    Require(pairs == again, "a second read gives the same pairs");
    if (!pairs)
        return 0;
    // Written back, the pairs give the value again, with at most its closing zero added.
    std::string joined;
    for (const auto& [from, to] : *pairs) {
        Require(!from.empty(), "every pair names what it renames");
        joined.append(from).push_back('\0');
        joined.append(to).push_back('\0');
        CheckInside(from);
    }
    joined.push_back('\0');
    Require(joined == list || joined == std::string(list) + '\0',
            "the pairs are the whole value, in its order");
    return 0;
}

// The "UninstallString" a vendor installer left in the uninstall entry, and the command line
// derived from it to start the uninstaller.
#include <algorithm>

#include "fuzz_support.h"
#include "installer/execution.h"
#include "maintenance/environment_uninstall.h"
#include "platform/text_units.h"

namespace velnora::fuzz {
namespace {

using maintenance::DerivedKind;

constexpr std::string_view kRunFromTemp = "-runfromtemp";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string WithoutRunFromTemp(std::string_view stored) {
    std::string text(stored);
    for (std::size_t at = text.find(kRunFromTemp); at != std::string::npos;
         at = text.find(kRunFromTemp, at))
        text.erase(at, kRunFromTemp.size());
    return text;
}

std::size_t QuotesIn(std::string_view text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '"'));
}

// The command starts with the program path in quotes, closed and not blank, so that Windows
// never guesses where it ends; and nothing the stored command held in quotes comes out of
// them: the arguments are the stored command's end (one blank may be put in front) in the
// same quote state, and a program path with a blank was quoted there too.
void CheckCommand(std::string_view stored, const std::string& command) {
    Require(platform::FitsBuffer(command, installer::kCommandBufferSize),
            "the command fits the command buffer");
    Require(!command.empty() && command.front() == '"', "the program path is quoted");
    const std::size_t close = command.find('"', 1);
    Require(close != std::string::npos, "the program path's quotes are closed");
    const std::string_view program = std::string_view(command).substr(1, close - 1);
    Require(std::any_of(program.begin(), program.end(), [](char c) { return !IsBlank(c); }),
            "the program path is not blank");

    // Words that contain the marker lose it, not only whole words.
    const std::string source = stored.find(kRunFromTemp) != std::string_view::npos
                                   ? WithoutRunFromTemp(stored)
                                   : std::string(stored);
    std::string_view arguments = std::string_view(command).substr(close + 1);
    if (!std::string_view(source).ends_with(arguments) && arguments.starts_with(' '))
        arguments.remove_prefix(1);
    Require(std::string_view(source).ends_with(arguments),
            "the arguments are the end of the stored command");
    const std::string_view before =
        std::string_view(source).substr(0, source.size() - arguments.size());
    Require(QuotesIn(before) % 2 == 0, "the arguments keep the quote state they were stored in");
    if (std::any_of(program.begin(), program.end(), IsBlank)) {
        const std::string quoted = "\"" + std::string(program) + "\"";
        Require(before.ends_with(quoted) &&
                    QuotesIn(before.substr(0, before.size() - quoted.size())) % 2 == 0,
                "a program path with a blank was quoted in the stored command");
    }
}

}  // namespace
}  // namespace velnora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velnora;
    using namespace velnora::fuzz;
    const std::string_view stored = RegistryText(data, size);

    const maintenance::DerivedCommand derived = maintenance::DeriveUninstallCommand(stored);
    const maintenance::DerivedCommand again = maintenance::DeriveUninstallCommand(stored);
    Require(derived.kind == again.kind && derived.command == again.command,
            "a second derivation gives the same command");
    Require((derived.kind == DerivedKind::kEmpty) ==
                (stored.find(kRunFromTemp) != std::string_view::npos &&
                 WithoutRunFromTemp(stored).empty()),
            "only a command of nothing but the marker is empty");
    if (derived.kind == DerivedKind::kCommand)
        CheckCommand(stored, derived.command);
    else
        Require(derived.command.empty(), "a refused command starts nothing");
    return 0;
}

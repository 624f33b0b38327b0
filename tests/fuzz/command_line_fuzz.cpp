// The raw command line Windows hands the programs: the mode token and the pieces after it (the
// twin's row number among them), the argument text, and the installer switches found in it.
#include "app/command_line.h"
#include "core/parsing.h"
#include "fuzz_support.h"

namespace velnora::fuzz {
namespace {

// The mode pieces are taken from the input without changing a byte, in their order, and are
// split at blanks only.
void CheckPieces(std::string_view raw, const std::vector<std::string>& pieces) {
    Require(pieces.size() <= 10, "at most ten pieces");
    if (!pieces.empty())
        Require(pieces.front().front() == '-', "the mode token starts with its dash");
    std::size_t from = 0;
    for (const std::string& piece : pieces) {
        Require(!piece.empty() && piece.find(' ') == std::string::npos,
                "a piece is a non-empty run without blanks");
        const std::size_t at = raw.find(piece, from);
        Require(at != std::string_view::npos, "the pieces are substrings in order of the input");
        from = at + piece.size();
        // The twin reads its row number from the second piece.
        core::ParseDecimal(piece);
    }
}

void CheckSwitches(const app::InstallerOptions& o) {
    const auto isFlag = [](int value) { return value == 0 || value == 1; };
    Require(isFlag(o.optionsFromCommandLine) && isFlag(o.interactive) && isFlag(o.restartPc),
            "every installer flag is 0 or 1");
    Require(o.optionsFromCommandLine == 1 || (o.interactive == 1 && o.restartPc == 0),
            "a flag changes only with a switch found");
}

}  // namespace
}  // namespace velnora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velnora;
    using namespace velnora::fuzz;
    const std::string_view raw = AsText(data, size);

    const std::vector<std::string> pieces = app::ExtractModePieces(raw);
    CheckPieces(raw, pieces);
    Require(pieces == app::ExtractModePieces(raw), "a second reading gives the same pieces");
    Require(app::ExtractModeToken(raw) == (pieces.empty() ? std::string() : pieces.front()),
            "the mode token is the first piece");

    const std::string arguments = app::ArgumentText(raw);
    Require(raw.ends_with(arguments), "the argument text is the end of the command line");
    Require(arguments.empty() || static_cast<unsigned char>(arguments.front()) > ' ',
            "the argument text starts after the blanks behind the program path");
    Require(arguments.empty() ||
                static_cast<unsigned char>(raw[raw.size() - arguments.size() - 1]) <= ' ',
            "a blank or control character ends the program path");
    Require(arguments == app::ArgumentText(raw), "a second reading gives the same arguments");

    const app::InstallerOptions options = app::ReadInstallerSwitches(arguments);
    CheckSwitches(options);
    const app::InstallerOptions again = app::ReadInstallerSwitches(arguments);
    Require(options.optionsFromCommandLine == again.optionsFromCommandLine &&
                options.interactive == again.interactive && options.restartPc == again.restartPc,
            "a second reading gives the same switches");
    return 0;
}

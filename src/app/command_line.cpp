#include "app/command_line.h"

#include <array>
#include <cstddef>

#include "core/parsing.h"
#include "platform/text_units.h"

namespace velnora::app {

namespace {

// Limits of the texts taken from the command line, in characters.
constexpr std::size_t kModeTextLimit = 255;
constexpr std::size_t kOptionTextLimit = 511;
constexpr std::size_t kModePieces = 10;

struct InstallerSwitch {
    std::string_view backslashForm;
    std::string_view slashForm;
    void (*apply)(InstallerOptions&);
};

constexpr std::array kInstallerSwitches = std::to_array<InstallerSwitch>({
    {"\\quiet", "/quiet", [](InstallerOptions& o) { o.interactive = 0; }},
    {"\\force", "/force", [](InstallerOptions&) {}},
    {"\\restart_pc", "/restart_pc", [](InstallerOptions& o) { o.restartPc = 1; }},
    {"\\quitafterinstall", "/quitafterinstall", [](InstallerOptions&) {}},
});

}  // namespace

std::string LowerAscii(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lowered;
}

std::vector<std::string> SplitAtBlanks(std::string_view text, std::size_t maxPieces) {
    std::vector<std::string> pieces;
    std::size_t pos = 0;
    while (pieces.size() < maxPieces) {
        pos = text.find_first_not_of(' ', pos);
        if (pos == std::string_view::npos)
            break;
        const std::size_t end = text.find(' ', pos);
        pieces.emplace_back(text.substr(pos, end == std::string_view::npos ? end : end - pos));
        if (end == std::string_view::npos)
            break;
        pos = end;
    }
    return pieces;
}

std::vector<std::string> ExtractModePieces(std::string_view rawCommandLine) {
    // UTF-8 never has an ASCII byte inside a multibyte character, so byte-wise scanning for
    // the separators cannot hit half a character.
    std::string_view name = rawCommandLine;
    if (const auto slash = name.find_last_of("\\/"); slash != std::string_view::npos)
        name = name.substr(slash + 1);
    if (const auto dot = name.find_last_of('.'); dot != std::string_view::npos)
        name = name.substr(dot);
    name = platform::CutToUnits(name, kModeTextLimit);

    const auto dash = name.find('-');
    if (dash == std::string_view::npos)
        return {};
    std::string_view modeText = name.substr(dash);
    while (!modeText.empty() && core::IsCSpace(modeText.front()))
        modeText.remove_prefix(1);
    return SplitAtBlanks(modeText, kModePieces);
}

std::string ExtractModeToken(std::string_view rawCommandLine) {
    const auto pieces = ExtractModePieces(rawCommandLine);
    return pieces.empty() ? std::string() : pieces.front();
}

std::string ArgumentText(std::string_view rawCommandLine) {
    // The C runtime's rule: the program path runs to the first blank or control character
    // outside quotation marks; the blanks after it are skipped too.
    std::size_t pos = 0;
    bool quoted = false;
    const auto byteAt = [&](std::size_t i) {
        return static_cast<unsigned char>(rawCommandLine[i]);
    };
    while (pos < rawCommandLine.size() && (byteAt(pos) > ' ' || quoted)) {
        if (rawCommandLine[pos] == '"')
            quoted = !quoted;
        ++pos;
    }
    while (pos < rawCommandLine.size() && byteAt(pos) <= ' ')
        ++pos;
    return std::string(rawCommandLine.substr(pos));
}

InstallerOptions ReadInstallerSwitches(std::string_view argumentText) {
    InstallerOptions options;
    const std::string optionText = LowerAscii(platform::CutToUnits(argumentText, kOptionTextLimit));
    if (optionText.empty())
        return options;
    for (const auto& row : kInstallerSwitches) {
        const bool found = optionText.find(row.backslashForm) != std::string::npos ||
                           optionText.find(row.slashForm) != std::string::npos;
        if (!found)
            continue;
        options.optionsFromCommandLine = 1;
        row.apply(options);
    }
    return options;
}

}  // namespace velnora::app

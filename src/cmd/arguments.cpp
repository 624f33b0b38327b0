// The command line read with CLI11, kept to this one file: the parser is heavy to compile.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cstdio>

#include "cmd/cmd_texts.h"
#include "cmd/commands.h"

namespace velnora::cmd {

namespace {

struct CommandRow {
    Command command;
    std::string_view name;
    core::LocalText description;
    // Takes the ENV it works on.
    bool takesEnvironment = false;
    bool needsAdministrator = false;
};
constexpr std::array kCommandRows = std::to_array<CommandRow>({
    {Command::kList, "list", text::kListDescription},
    {Command::kReport, "report", text::kReportDescription},
    {Command::kStatus, "status", text::kStatusDescription},
    {Command::kSwitch, "switch", text::kSwitchDescription, true, true},
    {Command::kUninstall, "uninstall", text::kUninstallDescription, true, true},
    {Command::kInstall, "install", text::kInstallDescription, false, true},
});

std::string ExitCodesText(const core::TextSet& texts) {
    std::string lines = texts.Pick(text::kExitCodesHeading) + "\n";
    for (const auto& row : core::kCmdExitTable) {
        std::array<char, 16> code{};
        std::snprintf(code.data(), code.size(), "%6d", static_cast<int>(row.code));
        lines += std::string(code.data()) + "  " + texts.Pick(row.meaning) + "\n";
    }
    return lines;
}

}  // namespace

std::string_view CommandName(Command command) {
    for (const auto& row : kCommandRows)
        if (row.command == command)
            return row.name;
    return {};
}

bool NeedsAdministrator(Command command) {
    for (const auto& row : kCommandRows)
        if (row.command == command)
            return row.needsAdministrator;
    return false;
}

ParsedArguments ParseArguments(const std::vector<std::string>& arguments,
                               const core::TextSet& texts) {
    ParsedArguments parsed;
    Request& request = parsed.request;

    CLI::App app(texts.Pick(text::kProgramDescription), "VelnoraCmd");
    app.footer(ExitCodesText(texts));
    app.require_subcommand(0, 1);
    // --quiet may stand before or after the command.
    app.fallthrough();
    bool version = false;
    app.add_flag("--version", version, texts.Pick(text::kVersionDescription));
    app.add_flag("-q,--quiet", request.quiet, texts.Pick(text::kQuietDescription));

    std::array<CLI::App*, kCommandRows.size()> commands{};
    for (std::size_t i = 0; i < kCommandRows.size(); ++i) {
        commands[i] = app.add_subcommand(std::string(kCommandRows[i].name),
                                         texts.Pick(kCommandRows[i].description));
        if (kCommandRows[i].takesEnvironment)
            commands[i]
                ->add_option("ENV", request.env, texts.Pick(text::kEnvDescription))
                ->required();
    }

    const auto subcommand = [&commands](Command command) {
        for (std::size_t i = 0; i < kCommandRows.size(); ++i)
            if (kCommandRows[i].command == command)
                return commands[i];
        return static_cast<CLI::App*>(nullptr);
    };

    std::string format = "text";
    CLI::App* list = subcommand(Command::kList);
    list->add_option("--format", format, texts.Pick(text::kFormatDescription))
        ->check(CLI::IsMember({"text", "json"}));
    list->add_flag("--active", request.activeOnly, texts.Pick(text::kActiveDescription));
    std::string out;
    CLI::Option* outOption =
        subcommand(Command::kReport)->add_option("--out", out, texts.Pick(text::kOutDescription));

    InstallRequest& install = request.install;
    CLI::App* installCommand = subcommand(Command::kInstall);
    std::string media;
    std::string destination;
    std::vector<std::string> select;
    CLI::Option* mediaOption =
        installCommand->add_option("--media", media, texts.Pick(text::kMediaDescription));
    CLI::Option* newOption = installCommand->add_flag("--new", install.newEnvironment,
                                                      texts.Pick(text::kNewDescription));
    CLI::Option* destOption =
        installCommand->add_option("--dest", destination, texts.Pick(text::kDestDescription));
    CLI::Option* selectOption =
        installCommand->add_option("--select", select, texts.Pick(text::kSelectDescription))
            ->delimiter(',');
    installCommand->add_flag("--norestart", install.noRestart,
                             texts.Pick(text::kNoRestartDescription));
    installCommand->add_flag("--resume", install.resume, texts.Pick(text::kResumeDescription))
        ->excludes(newOption)
        ->excludes(destOption)
        ->excludes(selectOption);

    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        parsed.outcome = ParseOutcome::kHelp;
        parsed.text = app.help("", CLI::AppFormatMode::All);
        return parsed;
    } catch (const CLI::ParseError& error) {
        parsed.text = std::string(error.what()) + "\n";
        return parsed;
    }

    if (version) {
        parsed.outcome = ParseOutcome::kVersion;
        return parsed;
    }
    const auto chosen = std::find_if(commands.begin(), commands.end(),
                                     [](const CLI::App* command) { return command->parsed(); });
    if (chosen == commands.end()) {
        parsed.text = app.help();
        return parsed;
    }
    request.command = kCommandRows[static_cast<std::size_t>(chosen - commands.begin())].command;
    request.format = format == "json" ? ListFormat::kJson : ListFormat::kText;
    if (*outOption)
        request.out = out;
    if (*mediaOption)
        install.media = media;
    if (*destOption)
        install.destination = destination;
    if (*selectOption)
        install.select = select;
    parsed.outcome = ParseOutcome::kRun;
    return parsed;
}

}  // namespace velnora::cmd

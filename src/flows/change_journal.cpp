#include "flows/change_journal.h"

#include <array>
#include <charconv>
#include <vector>

#include "core/context.h"
#include "environments/activation_switch.h"
#include "environments/move_support.h"
#include "environments/own_shortcut.h"
#include "platform/filesystem.h"
#include "platform/shell.h"

namespace velnora::flows {

namespace {

constexpr std::string_view kHeader = "Velnora change journal 1";
constexpr char kFileName[] = "change.journal";

constexpr core::LocalText kInterruptedChange{
    "A change of the active Vantorix was interrupted and is not finished. Nothing is switched "
    "until it is finished or undone.\n\n[%s]",
    "アクティブなVantorixの切り替えが中断され、完了していません。完了するか元に戻すまで、"
    "切り替えは行いません。\n\n[%s]"};
constexpr int kLastStep = 8;
// Names tried for an unreadable journal kept aside.
constexpr int kAsideNamesTried = 99;

template <typename Enum>
struct Named {
    Enum value;
    std::string_view name;
};
constexpr std::array<Named<JournalOperation>, 3> kOperations{{
    {JournalOperation::kChange, "change"},
    {JournalOperation::kUninstall, "uninstall"},
    {JournalOperation::kInstall, "install"},
}};
constexpr std::array<Named<JournalPhase>, 3> kPhases{{
    {JournalPhase::kDeactivation, "deactivation"},
    {JournalPhase::kActivation, "activation"},
    {JournalPhase::kRestore, "restore"},
}};
constexpr std::array<Named<bool>, 2> kStepStates{{{false, "begun"}, {true, "ended"}}};

template <typename Enum, std::size_t N>
std::string_view NameOf(const std::array<Named<Enum>, N>& table, Enum value) {
    for (const auto& entry : table)
        if (entry.value == value)
            return entry.name;
    return {};
}

template <typename Enum, std::size_t N>
std::optional<Enum> ValueOf(const std::array<Named<Enum>, N>& table, std::string_view name) {
    for (const auto& entry : table)
        if (entry.name == name)
            return entry.value;
    return std::nullopt;
}

// The journal's lines in their fixed order: a journal is read only when each is there, once,
// in this order, and nothing else is.
constexpr std::array<std::string_view, 6> kKeys{"operation", "parked", "incoming",
                                                "phase",     "step",   "state"};

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find("\r\n");
        if (end == std::string_view::npos)
            return {};  // every line ends with CR LF, the last one too
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end + 2);
    }
    return lines;
}

std::optional<int> StepOf(std::string_view digits) {
    int step = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), step);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.size() != 1 ||
        step < 1 || step > kLastStep)
        return std::nullopt;
    return step;
}

std::optional<std::string> JournalFolder(core::Context& context) {
    std::string appData;
    if (!environments::SpecialFolder(context.platform.shell, platform::csidl::kCommonAppData,
                                     appData) ||
        appData.empty())
        return std::nullopt;
    if (appData.back() == '\\')
        appData.pop_back();
    return appData + "\\" + environments::ManagerBaseName(context);
}

bool MakeFolder(platform::FileSystem& files, const std::string& folder) {
    const platform::ErrorCode made = files.CreateDirectory(folder);
    return made == platform::error::kSuccess || made == platform::error::kAlreadyExists;
}

// Beside its place first, then moved there: a journal is either the old one or the new one.
bool WriteJournalTo(platform::FileSystem& files, const std::string& path,
                    const ChangeJournal& journal) {
    const std::string fresh = path + ".new";
    if (files.WriteFileThrough(fresh, JournalText(journal)) != platform::error::kSuccess) {
        files.DeleteFile(fresh);
        return false;
    }
    return files.MoveFile(fresh, path,
                          platform::movefile::kReplaceExisting |
                              platform::movefile::kWriteThrough) == platform::error::kSuccess;
}

std::optional<std::string> MadeJournalPath(core::Context& context) {
    const auto folder = JournalFolder(context);
    if (!folder || !MakeFolder(context.platform.files, *folder))
        return std::nullopt;
    return *folder + "\\" + kFileName;
}

std::string KeepAside(platform::FileSystem& files, const std::string& path) {
    for (int n = 1; n <= kAsideNamesTried; ++n) {
        // Appended piece by piece: GCC 12 takes a literal glued to a temporary for an
        // overlapping copy in the 32-bit build.
        std::string aside = path;
        aside += ".unreadable";
        if (n > 1) {
            aside += '.';
            aside += std::to_string(n);
        }
        if (files.PathFileExists(aside))
            continue;
        return files.MoveFile(path, aside, platform::movefile::kWriteThrough) ==
                       platform::error::kSuccess
                   ? aside
                   : std::string();
    }
    return std::string();
}

}  // namespace

std::string JournalText(const ChangeJournal& journal) {
    const std::array<std::string, kKeys.size()> values{
        std::string(NameOf(kOperations, journal.operation)),
        journal.parkedName,
        journal.incoming,
        std::string(NameOf(kPhases, journal.phase)),
        std::to_string(journal.step),
        std::string(NameOf(kStepStates, journal.stepEnded))};
    std::string text(kHeader);
    text += "\r\n";
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        text += kKeys[i];
        text += '=';
        text += values[i];
        text += "\r\n";
    }
    return text;
}

std::optional<ChangeJournal> ParseJournal(std::string_view text) {
    const std::vector<std::string_view> lines = Lines(text);
    if (lines.size() != kKeys.size() + 1 || lines[0] != kHeader)
        return std::nullopt;
    std::array<std::string_view, kKeys.size()> values;
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        const std::string_view line = lines[i + 1];
        if (line.size() <= kKeys[i].size() || line.substr(0, kKeys[i].size()) != kKeys[i] ||
            line[kKeys[i].size()] != '=')
            return std::nullopt;
        values[i] = line.substr(kKeys[i].size() + 1);
    }
    const auto operation = ValueOf(kOperations, values[0]);
    const auto phase = ValueOf(kPhases, values[3]);
    const auto step = StepOf(values[4]);
    const auto stepEnded = ValueOf(kStepStates, values[5]);
    ChangeJournal journal;
    journal.parkedName = std::string(values[1]);
    journal.incoming = std::string(values[2]);
    const auto nameOrNone = [](const std::string& name) {
        return name.empty() || environments::IsParkedKeyName(name);
    };
    if (!operation || !phase || !step || !stepEnded || !nameOrNone(journal.parkedName) ||
        !nameOrNone(journal.incoming) || journal.incoming == journal.parkedName)
        return std::nullopt;
    journal.operation = *operation;
    journal.phase = *phase;
    journal.step = *step;
    journal.stepEnded = *stepEnded;
    return journal;
}

std::optional<std::string> JournalPath(core::Context& context) {
    const auto folder = JournalFolder(context);
    if (!folder)
        return std::nullopt;
    return *folder + "\\" + kFileName;
}

bool WriteJournal(core::Context& context, const ChangeJournal& journal) {
    const auto path = MadeJournalPath(context);
    return path && WriteJournalTo(context.platform.files, *path, journal);
}

FoundJournal ReadJournal(core::Context& context) {
    FoundJournal found;
    const auto path = JournalPath(context);
    if (!path) {
        found.kind = FoundJournal::Kind::kFailed;
        return found;
    }
    found.path = *path;
    std::string text;
    const platform::ErrorCode read = context.platform.files.ReadFile(found.path, text);
    if (read == platform::error::kFileNotFound || read == platform::error::kPathNotFound)
        return found;
    if (read != platform::error::kSuccess) {
        found.kind = FoundJournal::Kind::kFailed;
        return found;
    }
    if (auto journal = ParseJournal(text)) {
        found.kind = FoundJournal::Kind::kPending;
        found.journal = std::move(*journal);
        return found;
    }
    found.kind = FoundJournal::Kind::kUnreadable;
    return found;
}

FoundJournal FindJournal(core::Context& context) {
    FoundJournal found = ReadJournal(context);
    if (found.kind == FoundJournal::Kind::kUnreadable)
        found.keptAside = KeepAside(context.platform.files, found.path);
    return found;
}

bool ClearJournal(core::Context& context) {
    const auto path = JournalPath(context);
    if (!path)
        return false;
    const platform::ErrorCode deleted = context.platform.files.DeleteFile(*path);
    return deleted == platform::error::kSuccess || deleted == platform::error::kFileNotFound ||
           deleted == platform::error::kPathNotFound;
}

std::optional<core::Notice> InterruptedChangeNotice(core::Context& context) {
    const FoundJournal found = ReadJournal(context);
    if (found.kind != FoundJournal::Kind::kPending && found.kind != FoundJournal::Kind::kUnreadable)
        return std::nullopt;
    std::string text = context.texts.Pick(kInterruptedChange);
    const auto placeholder = text.find("%s");
    if (placeholder != std::string::npos)
        text.replace(placeholder, 2, found.path);
    return core::Notice{std::move(text), core::NoticeCaption::kError,
                        platform::mb::kOk | platform::mb::kIconError, /*overPage=*/true};
}

bool JournalledSteps::Begins(int step) {
    journal_.step = step;
    journal_.stepEnded = false;
    return Write();
}

void JournalledSteps::Ended() {
    journal_.stepEnded = true;
    Write();
}

bool JournalledSteps::Write() {
    if (!path_)
        path_ = MadeJournalPath(context_);
    return path_ && WriteJournalTo(context_.platform.files, *path_, journal_);
}

}  // namespace velnora::flows

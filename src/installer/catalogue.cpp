#include "installer/catalogue.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <utility>

#include "core/parsing.h"
#include "installer/context.h"
#include "installer/run_state.h"

namespace velnora::installer {

InstallerCatalogue::InstallerCatalogue()
    : rows_(std::make_unique<std::array<InstallerEntry, kCatalogueCapacity>>()) {}

const InstallerEntry& InstallerCatalogue::Entry(std::size_t index) const {
    const InstallerEntry* entry = Find(index);
    if (entry == nullptr)
        __builtin_trap();
    return *entry;
}

const InstallerEntry* InstallerCatalogue::Find(std::size_t index) const {
    if (index >= count_)
        return nullptr;
    return &(*rows_)[index];
}

bool InstallerCatalogue::Append(InstallerEntry entry) {
    if (count_ >= rows_->size())
        return false;
    (*rows_)[count_++] = std::move(entry);
    return true;
}

void InstallerCatalogue::Clear() {
    for (std::size_t i = 0; i < count_; ++i)
        (*rows_)[i] = InstallerEntry{};
    count_ = 0;
}

namespace {

// Listed as they are tested; any of them anywhere in a name makes it an attribute key.
constexpr std::array<std::string_view, 7> kAttributeSuffixes = {
    "_Tooltip",
    "_User_Selection",
    "_Option",
    "_bNeedUserInfoButton",
    "_User_Selection_Condition_OR",
    "_User_Selection_Condition_AND",
    "_InstallOption",
};

constexpr std::array<std::string_view, 4> kOnWords = {"enable", "true", "1", "on"};
constexpr std::array<std::string_view, 4> kOffWords = {"disable", "false", "0", "off"};

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string ReadValue(platform::ProfileFiles& profile, const std::string& section,
                      const std::string& key, const std::string& file) {
    std::string value;
    profile.GetString(section, key, "", kCatalogueBufferSize, file, value);
    return value;
}

// Reads one attribute; a stored value has its "\n" pairs turned into line breaks.
void ReadAttribute(platform::ProfileFiles& profile, const std::string& section,
                   const std::string& key, const std::string& file, std::string& field) {
    const std::string value = ReadValue(profile, section, key, file);
    if (!value.empty())
        field = ExpandLineBreaks(value);
}

// The condition target as the page compares it: negative values wrap to large ones.
std::optional<std::size_t> ConditionTarget(const std::string& value, std::size_t rows) {
    if (value.empty())
        return std::nullopt;
    const auto target = static_cast<std::uint32_t>(core::ParseDecimal(value));
    if (target >= rows)
        return std::nullopt;
    return target;
}

}  // namespace

std::size_t ReadInstallerCatalogue(platform::ProfileFiles& profile, const std::string& section,
                                   const std::string& file,
                                   installer::InstallerCatalogue& catalogue) {
    catalogue.Clear();

    std::string names;
    if (profile.GetString(section, std::nullopt, "", kCatalogueBufferSize, file, names) == 0)
        return 0;

    // The list is a run of zero-terminated names ended by an empty one; a list cut by the
    // buffer may end in a cut name without its zero.
    std::vector<std::string> entryNames;
    std::size_t pos = 0;
    while (pos < names.size() && entryNames.size() < installer::kCatalogueCapacity) {
        std::size_t end = names.find('\0', pos);
        if (end == std::string::npos)
            end = names.size();
        const std::string_view name(names.data() + pos, end - pos);
        if (name.empty())
            break;
        pos = end + 1;
        if (!IsAttributeKey(name))
            entryNames.emplace_back(name);
    }

    for (const std::string& n : entryNames) {
        installer::InstallerEntry entry;
        entry.name = n;
        std::string path = ReadValue(profile, section, n, file);
        if (!path.empty())
            entry.path = std::move(path);
        ReadAttribute(profile, section, n + "_Tooltip", file, entry.tooltip);
        ReadAttribute(profile, section, n + "_User_Selection", file, entry.userSelection);
        ReadAttribute(profile, section, n + "_Option", file, entry.option);
        ReadAttribute(profile, section, n + "_bNeedUserInfoButton", file, entry.needUserInfoButton);
        ReadAttribute(profile, section, n + "_User_Selection_Condition_AND", file,
                      entry.conditionAnd);
        ReadAttribute(profile, section, n + "_User_Selection_Condition_OR", file,
                      entry.conditionOr);
        ReadAttribute(profile, section, n + "_InstallOption", file, entry.installOption);
        catalogue.Append(std::move(entry));
    }
    return catalogue.Count();
}

std::size_t ReadInstallerCatalogue(Context& context, const std::string& section,
                                   const std::string& file) {
    return ReadInstallerCatalogue(context.platform.profile, section, file, context.catalogue);
}

bool IsAttributeKey(std::string_view name) {
    return std::any_of(
        kAttributeSuffixes.begin(), kAttributeSuffixes.end(),
        [name](std::string_view suffix) { return name.find(suffix) != std::string_view::npos; });
}

std::string ExpandLineBreaks(std::string_view value) {
    std::string result;
    result.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size() && value[i + 1] == 'n') {
            result.push_back('\n');
            ++i;
        } else {
            result.push_back(value[i]);
        }
    }
    return result;
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

SelectionWord ClassifySelectionWord(std::string_view value) {
    if (value.empty())
        return SelectionWord::kEmpty;
    const auto matches = [value](std::string_view word) {
        return SameTextIgnoringCase(value, word);
    };
    if (std::any_of(kOnWords.begin(), kOnWords.end(), matches))
        return SelectionWord::kOn;
    if (std::any_of(kOffWords.begin(), kOffWords.end(), matches))
        return SelectionWord::kOff;
    return SelectionWord::kOther;
}

bool IsOnWord(std::string_view value) {
    return ClassifySelectionWord(value) == SelectionWord::kOn;
}

bool IsOffWord(std::string_view value) {
    return ClassifySelectionWord(value) == SelectionWord::kOff;
}

bool IsOnWordOrEmpty(std::string_view value) {
    const SelectionWord word = ClassifySelectionWord(value);
    return word == SelectionWord::kOn || word == SelectionWord::kEmpty;
}

std::string TickStateKey(std::size_t index, bool resumed) {
    char key[64];
    std::snprintf(key, sizeof key, resumed ? "User_Selection_Install_%02zu" : "Install_%02zu",
                  index);
    return key;
}

bool StartTickState(std::string_view tickValue, std::string_view userSelection) {
    if (IsOffWord(tickValue))
        return IsOffWord(userSelection);
    // On-words, the empty value and anything else keep the start value: ticked.
    return true;
}

bool ReadStartTickState(Context& context, std::size_t index, bool resumed) {
    std::string value;
    ReadRunState(context, kRunStateSection, TickStateKey(index, resumed), value);
    const installer::InstallerEntry* entry = context.catalogue.Find(index);
    return StartTickState(value, entry != nullptr ? entry->userSelection : std::string());
}

std::vector<std::size_t> ApplySelectionConditions(const installer::InstallerCatalogue& catalogue,
                                                  std::size_t toggled, std::span<int> ticks) {
    std::vector<std::size_t> changed;
    const installer::InstallerEntry* entry = catalogue.Find(toggled);
    if (entry == nullptr || toggled >= ticks.size())
        return changed;

    const auto note = [&changed](std::size_t row) {
        if (std::find(changed.begin(), changed.end(), row) == changed.end())
            changed.push_back(row);
    };
    const std::vector<int> before(ticks.begin(), ticks.end());

    if (const auto t = ConditionTarget(entry->conditionOr, ticks.size())) {
        if (ticks[*t] != 0 && ticks[toggled] != 0) {
            ticks[*t] = 0;
            note(*t);
        }
    }
    if (const auto t = ConditionTarget(entry->conditionAnd, ticks.size())) {
        if ((ticks[*t] != 0) != (ticks[toggled] != 0)) {
            ticks[*t] = ticks[toggled] != 0 ? 1 : 0;
            note(*t);
        }
    }
    // A row unticked by one rule and ticked again by the other has not changed.
    std::erase_if(changed, [&](std::size_t row) { return ticks[row] == before[row]; });
    return changed;
}

NamedSelection SelectByName(const installer::InstallerCatalogue& catalogue, std::span<int> ticks,
                            const std::vector<std::string>& names) {
    const std::size_t rows = std::min(ticks.size(), catalogue.Count());
    const auto named = [&](std::size_t row) {
        return std::any_of(names.begin(), names.end(), [&](const std::string& name) {
            return SameTextIgnoringCase(name, catalogue.Entry(row).name);
        });
    };
    const auto click = [&](std::size_t row, bool tick) {
        if ((ticks[row] != 0) == tick || !IsOnWordOrEmpty(catalogue.Entry(row).userSelection))
            return;
        ticks[row] = tick ? 1 : 0;
        ApplySelectionConditions(catalogue, row, ticks);
    };
    for (std::size_t row = 0; row < rows; ++row)
        if (!named(row))
            click(row, false);
    for (std::size_t row = 0; row < rows; ++row)
        if (named(row))
            click(row, true);

    NamedSelection selection;
    for (const std::string& name : names) {
        std::size_t row = 0;
        while (row < rows && !SameTextIgnoringCase(name, catalogue.Entry(row).name))
            ++row;
        if (row == rows)
            selection.unknown.push_back(name);
        else if (ticks[row] == 0)
            selection.notTicked.push_back(name);
    }
    return selection;
}

std::size_t PageEntryCount(const installer::InstallerCatalogue& catalogue) {
    return std::min(catalogue.Count(), kPageEntryLimit);
}

}  // namespace velnora::installer

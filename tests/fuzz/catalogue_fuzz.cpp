// autorun.ini of a medium: the catalogue of either language's section, the start tick of every
// entry the page lists, and the selection conditions each toggle applies.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "installer/catalogue.h"
#include "platform/text_units.h"

namespace velnora::fuzz {
namespace {

using installer::InstallerEntry;
using installer::kCatalogueBufferSize;

constexpr char kAutorunIni[] = "C:\\Media\\autorun.ini";

bool SameEntry(const InstallerEntry& a, const InstallerEntry& b) {
    return a.name == b.name && a.path == b.path && a.userSelection == b.userSelection &&
           a.option == b.option && a.needUserInfoButton == b.needUserInfoButton &&
           a.tooltip == b.tooltip && a.conditionAnd == b.conditionAnd &&
           a.conditionOr == b.conditionOr && a.installOption == b.installOption;
}

std::vector<InstallerEntry> Entries(const installer::InstallerCatalogue& catalogue) {
    std::vector<InstallerEntry> entries;
    for (std::size_t i = 0; i < catalogue.Count(); ++i)
        entries.push_back(catalogue.Entry(i));
    return entries;
}

void CheckEntries(const std::vector<InstallerEntry>& entries) {
    // The names came out of one key list of the catalogue buffer, cut two short of it.
    std::size_t listUnits = 0;
    for (const InstallerEntry& e : entries) {
        Require(!e.name.empty(), "an entry has a name");
        Require(!installer::IsAttributeKey(e.name), "an attribute key is no entry");
        listUnits += platform::Utf16Units(e.name) + 1;
        for (const std::string* value :
             {&e.path, &e.tooltip, &e.userSelection, &e.option, &e.needUserInfoButton,
              &e.conditionAnd, &e.conditionOr, &e.installOption})
            Require(platform::FitsBuffer(*value, kCatalogueBufferSize),
                    "every value fits the catalogue buffer with its zero");
        for (const std::string* attribute :
             {&e.tooltip, &e.userSelection, &e.option, &e.needUserInfoButton, &e.conditionAnd,
              &e.conditionOr, &e.installOption})
            Require(attribute->find("\\n") == std::string::npos,
                    "no attribute keeps a backslash-n pair");
    }
    Require(listUnits <= kCatalogueBufferSize - 1, "the entry names fit one key list");
}

// The entries are the section's keys in their order, the attribute keys left out; the last
// one may be a name that the key list's buffer cut.
void CheckKeyOrder(installer::Context& context, const char* section,
                   const std::vector<InstallerEntry>& entries) {
    std::string list;
    context.platform.profile.GetString(section, std::nullopt, "", std::size_t{1} << 24, kAutorunIni,
                                       list);
    std::size_t from = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string& name = entries[i].name;
        const bool last = i + 1 == entries.size();
        for (;;) {
            Require(from < list.size(), "every entry is a key of the section, in key order");
            const std::size_t end = std::min(list.find('\0', from), list.size());
            const std::string_view key(list.data() + from, end - from);
            from = end + 1;
            if (key == name || (last && key.starts_with(name)))
                break;
            Require(installer::IsAttributeKey(key), "only attribute keys are left out");
        }
    }
}

// The start ticks of the rows the page shows, then each row toggled in turn as the user would.
void CheckSelection(installer::Context& context, bool resumed) {
    const std::size_t rows = installer::PageEntryCount(context.catalogue);
    Require(rows <= installer::kPageEntryLimit && rows <= context.catalogue.Count(),
            "the page lists at most its 80 entries of the catalogue");
    std::vector<int> ticks(rows);
    for (std::size_t i = 0; i < rows; ++i)
        ticks[i] = installer::ReadStartTickState(context, i, resumed) ? 1 : 0;

    for (std::size_t toggled = 0; toggled < rows; ++toggled) {
        ticks[toggled] = 1 - ticks[toggled];
        const std::vector<int> before = ticks;
        const auto changed = installer::ApplySelectionConditions(context.catalogue, toggled, ticks);
        for (std::size_t row = 0; row < rows; ++row) {
            const bool listed = std::count(changed.begin(), changed.end(), row) == 1;
            Require(ticks[row] == 0 || ticks[row] == 1, "a tick is set or not");
            Require(listed == (ticks[row] != before[row]),
                    "exactly the rows whose tick changed are redrawn, each once");
        }
        Require(changed.size() <= 2, "the two conditions change two rows at most");
    }
}

}  // namespace
}  // namespace velnora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velnora;
    using namespace velnora::fuzz;
    FuzzMachine machine;
    machine.PutFile(kAutorunIni, AsText(data, size));
    installer::Context& context = machine.context;

    for (const char* section : {"Tools", "Tools_Jpn"}) {
        const std::size_t count = installer::ReadInstallerCatalogue(context, section, kAutorunIni);
        Require(count == context.catalogue.Count() && count <= installer::kCatalogueCapacity,
                "the count is the table's, within its rows");
        const std::vector<installer::InstallerEntry> first = Entries(context.catalogue);
        CheckEntries(first);
        CheckKeyOrder(context, section, first);

        Require(installer::ReadInstallerCatalogue(context, section, kAutorunIni) == count,
                "a second read counts the same");
        const std::vector<installer::InstallerEntry> second = Entries(context.catalogue);
        Require(std::equal(first.begin(), first.end(), second.begin(), second.end(), SameEntry),
                "a second read gives the same entries");

        CheckSelection(context, false);
        CheckSelection(context, true);
    }
    return 0;
}

// The installer catalogue of autorun.ini: the vendor installers the sequence may run, in the
// order of their keys, and the selection rules the installer page applies to them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile.h"

namespace velnora::installer {

struct Context;

// Rows of the catalogue table.
inline constexpr std::size_t kCatalogueCapacity = 1280;

// One installer of the catalogue; every field is empty when its key is missing or empty.
struct InstallerEntry {
    std::string name;                // the key name, shown in the installer list
    std::string path;                // relative to the program folder
    std::string userSelection;       // on-word or empty: the user may change the tick
    std::string option;              // arguments after the path, one blank between
    std::string needUserInfoButton;  // handed to Vtx2Inst.ini before the installer starts
    std::string tooltip;
    std::string conditionAnd;   // index of an entry that follows this entry's tick
    std::string conditionOr;    // index of an entry unticked when this one is ticked
    std::string installOption;  // appended to the command line without a separator
};

// The fixed table of catalogue rows. The rows live on the heap so that a context on the stack
// of the program's entry point stays small.
class InstallerCatalogue {
  public:
    InstallerCatalogue();
    InstallerCatalogue(const InstallerCatalogue&) = delete;
    InstallerCatalogue& operator=(const InstallerCatalogue&) = delete;

    std::size_t Count() const { return count_; }
    // Row `index`, which must be below Count(); any other index is a bug of the caller and
    // stops the program rather than read a row that does not exist.
    const InstallerEntry& Entry(std::size_t index) const;
    // Null for an index at or beyond Count().
    const InstallerEntry* Find(std::size_t index) const;
    // False, and nothing written, once the table is full.
    bool Append(InstallerEntry entry);
    void Clear();

  private:
    std::unique_ptr<std::array<InstallerEntry, kCatalogueCapacity>> rows_;
    std::size_t count_ = 0;
};

// The key list and every value of the catalogue section are read into buffers of this many
// characters.
inline constexpr std::size_t kCatalogueBufferSize = 4096;
// The installer page keeps per-entry state for this many entries.
inline constexpr std::size_t kPageEntryLimit = 80;

// Fills `catalogue` from the section of an autorun.ini and returns the number of entries; 0
// when the file or the section is missing or holds attribute keys only.
//
// A section can name more entries than the table holds (a 4096-character key list fits up
// to 2048 one-letter names): the entries beyond the 1280th are left out, so the catalogue is
// cut at the table size and nothing is written out of bounds. The page's own limit of 80 is
// applied by the page (PageEntryCount).
std::size_t ReadInstallerCatalogue(platform::ProfileFiles& profile, const std::string& section,
                                   const std::string& file,
                                   installer::InstallerCatalogue& catalogue);
// The same into the context's catalogue.
std::size_t ReadInstallerCatalogue(Context& context, const std::string& section,
                                   const std::string& file);

// True for the names that carry an attribute of another entry rather than an entry: they
// contain one of the attribute suffixes anywhere, with exact letter case.
bool IsAttributeKey(std::string_view name);
// Every backslash followed by "n" becomes one line feed.
std::string ExpandLineBreaks(std::string_view value);

// Texts compared with ASCII letters folded. Safe on UTF-8, whose multibyte characters hold no
// ASCII bytes.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

// How a selection word of autorun.ini reads (whole value, letter case ignored).
enum class SelectionWord { kOn, kOff, kEmpty, kOther };
SelectionWord ClassifySelectionWord(std::string_view value);
// "enable", "true", "1", "on" only: the option flags Quiet, NoMessage, QuitAfterInstall and
// Restart_PC, for which the empty value means not set.
bool IsOnWord(std::string_view value);
bool IsOffWord(std::string_view value);
// An on-word or empty: ticked by the start tick state, changeable by the user as
// UserSelection.
bool IsOnWordOrEmpty(std::string_view value);

// The key that holds entry `index`'s start tick: "Install_%02d" for a fresh run,
// "User_Selection_Install_%02d" when a stopped run is resumed.
std::string TickStateKey(std::size_t index, bool resumed);
// Whether an entry starts ticked, from the value of its tick key and its UserSelection. An
// entry the user cannot change is always run.
bool StartTickState(std::string_view tickValue, std::string_view userSelection);
// The same with the tick key read through the run-state reader (autorun.ini first, then the
// run-state file).
bool ReadStartTickState(Context& context, std::size_t index, bool resumed);

// Applies the selection conditions of entry `toggled` right after the user changed its tick:
// ConditionOr first, then ConditionAnd, each once. `ticks` holds one tick flag per list row
// (its size is the number of rows); condition values that name no row, negative ones
// included, are ignored. Returns the rows whose tick changed, for redrawing.
std::vector<std::size_t> ApplySelectionConditions(const installer::InstallerCatalogue& catalogue,
                                                  std::size_t toggled, std::span<int> ticks);

// What became of a choice of installers by name.
struct NamedSelection {
    // Names that no entry of the list has.
    std::vector<std::string> unknown;
    // Named entries left unticked: the user may not change them, or a selection condition
    // took their tick away.
    std::vector<std::string> notTicked;
};

// Makes the ticks of the first ticks.size() entries the named ones (letter case ignored) as a
// user's clicks would, each followed by its selection conditions: first the unnamed entries
// the user may change are unticked, then the named ones ticked, so a condition of an unnamed
// entry never takes a named one away. Entries the user cannot change keep their tick.
NamedSelection SelectByName(const installer::InstallerCatalogue& catalogue, std::span<int> ticks,
                            const std::vector<std::string>& names);

// Number of catalogue entries the installer page shows and runs: entries beyond its 80th are
// neither listed nor run.
std::size_t PageEntryCount(const installer::InstallerCatalogue& catalogue);

}  // namespace velnora::installer

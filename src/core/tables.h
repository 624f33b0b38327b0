// The process-wide tables that start-up fills and every layer above reads: the installed
// environments and the installer catalogue. Fixed-size and bounds-checked; the operations that
// fill them live with the engines.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace velnora::core {

inline constexpr int kMaxEnvironments = 128;

struct EnvironmentRecord {
    std::string keyName;  // the product GUID for the active environment, a parked GUID otherwise
    std::string keyPath;  // uninstall root + "\" + keyName, under the local machine
};

// Rows 0 to Count() - 1 are valid, in ascending byte order of "InstallLocation". Rebuilt from
// scratch by every enumeration, so a row is only meaningful until the next one.
class EnvironmentTable {
  public:
    int Count() const { return count_; }
    // Did the last enumeration walk every entry? After a failed one the count is only what was
    // found before the failure, so nothing may conclude from it that no environment exists.
    bool Complete() const { return complete_; }

    // Any of the 128 rows; an index outside them is a bug in the caller and stops the program.
    EnvironmentRecord& Row(int index) { return rows_[Checked(index)]; }
    const EnvironmentRecord& Row(int index) const { return rows_[Checked(index)]; }

    // Empties every row; the table is incomplete until MarkComplete.
    void Clear();
    void MarkComplete() { complete_ = true; }
    bool Full() const { return count_ == kMaxEnvironments; }
    // Counts the row at Count(), which the caller has filled.
    void CountNextRow();
    void SwapRows(int a, int b);

  private:
    static std::size_t Checked(int index) {
        if (index < 0 || index >= kMaxEnvironments)
            __builtin_trap();
        return static_cast<std::size_t>(index);
    }

    std::array<EnvironmentRecord, kMaxEnvironments> rows_{};
    int count_ = 0;
    bool complete_ = false;
};

// What the last successful look-up learnt of the active environment.
struct ActiveEnvironmentCache {
    std::string folderName;    // last path component of its "InstallLocation"
    std::int32_t version = 0;  // the version number of its program file
};

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

}  // namespace velnora::core

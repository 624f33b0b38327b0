// The in-memory file system: drive-letter paths matched without regard to case, attributes,
// files held open by other programs, listings, renames and copies with the results Windows
// gives. Listings give "." and ".." first (not in a drive root), then the entries in the
// order they came into the folder. Links (junctions and symbolic links) lead paths, listings
// and file contents to their target; removing, renaming or setting the attributes of one
// acts on the link itself.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fake/faults.h"
#include "platform/filesystem.h"

namespace velnora::fake {

class FakeFileSystem final : public platform::FileSystem {
  public:
    explicit FakeFileSystem(Faults& faults);
    ~FakeFileSystem() override;

    platform::ErrorCode FindFirst(const std::string& pattern, platform::Handle& find,
                                  platform::FindData& data) override;
    platform::ErrorCode FindNext(platform::Handle find, platform::FindData& data) override;
    void FindClose(platform::Handle find) override;
    std::uint32_t GetAttributes(const std::string& path) override;
    platform::ErrorCode SetAttributes(const std::string& path, std::uint32_t attributes) override;
    platform::ErrorCode MoveFile(const std::string& from, const std::string& to,
                                 std::uint32_t flags) override;
    platform::ErrorCode CopyFile(const std::string& from, const std::string& to,
                                 bool failIfExists) override;
    platform::ErrorCode DeleteFile(const std::string& path) override;
    platform::ErrorCode CreateDirectory(const std::string& path) override;
    platform::ErrorCode RemoveDirectory(const std::string& path) override;
    platform::ErrorCode CanOpenForReading(const std::string& path) override;
    platform::ErrorCode ReadFile(const std::string& path, std::string& content) override;
    platform::ErrorCode WriteFile(const std::string& path, const std::string& content) override;
    platform::ErrorCode WriteFileThrough(const std::string& path,
                                         const std::string& content) override;
    platform::ErrorCode GetLongPathName(const std::string& path, std::string& longPath) override;
    bool PathFileExists(const std::string& path) override;
    bool PathIsDirectory(const std::string& path) override;
    platform::ErrorCode GetModifiedTime(const std::string& path,
                                        platform::LocalFileTime& time) override;

    // --- Test set-up and assertions (no fault injection, not logged) ---

    // Creates the folder and every missing folder above it, drive included.
    void AddFolder(const std::string& path);
    // Creates or replaces a file; missing folders above it are created.
    void AddFile(const std::string& path, const std::string& content = {},
                 std::uint32_t attributes = platform::fileattr::kArchive);
    // A link at `path` to the existing file or folder `target` (kept as given, so it dangles
    // once the target goes). Its attributes carry kReparsePoint; missing folders above it are
    // created.
    void AddLink(const std::string& path, const std::string& target);
    // Another program holds the file open without sharing: it cannot be read, written,
    // deleted, moved or copied, and the folders around it cannot be moved.
    void HoldOpen(const std::string& path);
    void Release(const std::string& path);
    // The 8.3 name of an entry, found by every path lookup and expanded by GetLongPathName.
    void SetShortName(const std::string& path, const std::string& shortName);
    // Removes a file or a whole folder, whatever holds it.
    void Remove(const std::string& path);
    // The local time that files get when they are added, written or created from now on
    // (copies keep their source's time, as CopyFile does).
    void SetLocalTime(const platform::LocalFileTime& now) { now_ = now; }
    // Gives an existing file or folder another last-write time; throws std::invalid_argument
    // when there is none.
    void SetModifiedTime(const std::string& path, const platform::LocalFileTime& time);

    bool Exists(const std::string& path) const;
    bool IsFolder(const std::string& path) const;
    // The file's bytes; throws std::out_of_range when there is no such file.
    std::string Content(const std::string& path) const;
    std::uint32_t Attributes(const std::string& path) const;  // kInvalid when missing
    // Everything below `folder` as paths relative to it, folders with a trailing "\", links
    // as "path -> target" and not followed, ordered by name without regard to case.
    std::vector<std::string> ListTree(const std::string& folder) const;
    // Listings opened with FindFirst and not yet closed.
    std::size_t OpenListings() const { return listings_.size(); }
    // Renames asked for with movefile::kDelayUntilReboot, in order (from, to).
    const std::vector<std::pair<std::string, std::string>>& PendingRenames() const {
        return pendingRenames_;
    }

    // --- For the other fakes: the same rules as the interface, without fault checks ---

    platform::ErrorCode ReadText(const std::string& path, std::string& content) const;
    // The file's bytes without a copy, valid until the file system changes; null (and the
    // error) when the file cannot be read.
    const std::string* PeekText(const std::string& path, platform::ErrorCode& error) const;
    platform::ErrorCode WriteText(const std::string& path, const std::string& content);
    platform::ErrorCode MovePath(const std::string& from, const std::string& to,
                                 std::uint32_t flags);

  private:
    struct Node;
    struct Lookup;
    struct Listing;

    Lookup Resolve(const std::string& path) const;
    // `hops` counts the links followed so far in this lookup.
    Lookup Resolve(const std::string& path, int& hops) const;
    Node* Find(const std::string& path) const;
    // Where a link leads (the node itself when it is none); null for a dead link or one that
    // goes round too many others.
    Node* Follow(Node* node) const;
    Node* Follow(Node* node, int& hops) const;
    // The lookup with a link at its end replaced by its target.
    Lookup Followed(Lookup found) const;
    Node& MakeFolders(const std::string& path);
    static bool HoldsOpenFile(const Node& node);
    static bool IsInside(const Node& node, const Node& folder);
    static std::uint32_t AttributesOf(const Node& node);
    platform::ErrorCode CheckReadable(const Lookup& found) const;

    Faults& faults_;
    std::map<char, std::unique_ptr<Node>> drives_;
    std::map<platform::Handle, std::unique_ptr<Listing>> listings_;
    platform::Handle nextHandle_ = 0x5000;
    std::vector<std::pair<std::string, std::string>> pendingRenames_;
    platform::LocalFileTime now_{2010, 4, 1, 9, 0, 0};
};

}  // namespace velnora::fake

#include "environments/file_utilities.h"

#include <cstdint>
#include <cstdio>
#include <string_view>
#include <utility>

#include "environments/environment_table.h"
#include "platform/text_units.h"

namespace velnora::environments {

bool IsFullPath(const std::string& path) {
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    const bool drive = path.size() >= 3 && letter(path[0]) && path[1] == ':' && path[2] == '\\';
    const bool unc = path.size() >= 3 && path[0] == '\\' && path[1] == '\\' && path[2] != '\\';
    return drive || unc;
}

namespace {

constexpr char kSetupKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr char kNtSetupKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr char kSystemRootName[] = "SystemRoot";

std::string EntryPath(const std::string& folder, const std::string& name) {
    // A folder text that already ends with "\" gets a second one; the file system accepts it.
    return folder + "\\" + name;
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Does the path name a whole volume ("", "\", "C:", "C:\", "\\server\share"), also when
// spelt with "." and ".." components that lead back up to it? A relative path that leads
// nowhere below where it starts counts too.
bool IsVolumeRoot(const std::string& path) {
    std::size_t at = 0;
    int volumeParts = 0;  // server and share of a network path
    if (path.size() >= 2 && path[1] == ':') {
        at = 2;
    } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        at = 2;
        volumeParts = 2;
    }
    int depth = 0;
    while (at < path.size()) {
        std::size_t end = at;
        while (end < path.size() && !IsSeparator(path[end]))
            ++end;
        const std::string_view part(path.data() + at, end - at);
        at = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..")
            depth = depth > 0 ? depth - 1 : 0;
        else if (volumeParts > 0)
            --volumeParts;
        else
            ++depth;
    }
    return depth == 0;
}

std::string WithoutTrailingSeparators(std::string path) {
    while (!path.empty() && IsSeparator(path.back()))
        path.pop_back();
    return path;
}

// One listing of a folder's entries, closed on every path.
class FolderListing {
  public:
    FolderListing(platform::FileSystem& files, const std::string& folder) : files_(files) {
        const bool endsWithSlash = !folder.empty() && folder.back() == '\\';
        const std::string pattern = folder + (endsWithSlash ? "*.*" : "\\*.*");
        if (files_.FindFirst(pattern, handle_, entry_) != platform::error::kSuccess)
            handle_ = platform::kNoHandle;
    }
    ~FolderListing() { Close(); }
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    bool Started() const { return handle_ != platform::kNoHandle; }
    const platform::FindData& Entry() const { return entry_; }

    // False at the end of the listing and after an error.
    bool Next() {
        end_ = files_.FindNext(handle_, entry_);
        return end_ == platform::error::kSuccess;
    }
    bool EndedNormally() const { return end_ == platform::error::kNoMoreFiles; }

    void Close() {
        if (handle_ != platform::kNoHandle)
            files_.FindClose(handle_);
        handle_ = platform::kNoHandle;
    }

  private:
    platform::FileSystem& files_;
    platform::Handle handle_ = platform::kNoHandle;
    platform::FindData entry_;
    platform::ErrorCode end_ = platform::error::kSuccess;
};

}  // namespace

bool IsWalkableFolder(const platform::FindData& entry) {
    return entry.IsDirectory() && !entry.IsSelfOrParent() && !entry.IsReparsePoint();
}

std::string UpperCase(std::string text) {
    for (auto& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// The tally: every file adds one, a subfolder's result replaces what this level has counted
// so far, and a finished listing turns a tally of exactly 1 into 0, so that 1 always means
// found. With an empty name nothing matches and the result counts the files behind the last
// subfolder plus that subfolder's own result.
int FindFileBelow(platform::FileSystem& files, const std::string& folder,
                  const std::string& upperName) {
    FolderListing listing(files, folder);
    if (!listing.Started())
        return 0;

    int tally = 0;
    bool stopped = false;
    do {
        const auto& entry = listing.Entry();
        if (entry.IsDirectory()) {
            if (!IsWalkableFolder(entry))
                continue;
            tally = FindFileBelow(files, EntryPath(folder, entry.name), upperName);
            if (tally < 0 || tally == 1) {
                stopped = true;
                break;
            }
        } else {
            ++tally;
            if (UpperCase(entry.name) == upperName) {
                tally = 1;
                stopped = true;
                break;
            }
        }
    } while (listing.Next());

    if (!stopped) {
        if (!listing.EndedNormally())
            return -1;
        if (tally == 1)
            tally = 0;
    }
    return tally >= 0 ? tally : -1;
}

namespace {

// DeleteTree on a folder known to be no link. Links met on the way are removed as links:
// neither entered nor given other attributes, since both would reach their target.
bool DeleteFolder(platform::FileSystem& files, const std::string& folder, bool removeSelf,
                  bool recurse, bool removeSubfolders) {
    FolderListing listing(files, folder);
    if (!listing.Started())
        return false;

    bool removed = true;
    do {
        const auto& entry = listing.Entry();
        if (entry.IsSelfOrParent())
            continue;
        const std::string path = EntryPath(folder, entry.name);
        const bool link = entry.IsReparsePoint();
        if (entry.IsDirectory()) {
            if (recurse && !link && !DeleteFolder(files, path, false, recurse, removeSubfolders)) {
                removed = false;
                break;
            }
            if (removeSubfolders) {
                if (!link)
                    files.SetAttributes(path, platform::fileattr::kNormal);
                if (files.RemoveDirectory(path) != platform::error::kSuccess) {
                    removed = false;
                    break;
                }
            }
        } else {
            if (!link)
                files.SetAttributes(path, platform::fileattr::kNormal);
            if (files.DeleteFile(path) != platform::error::kSuccess) {
                removed = false;
                break;
            }
        }
    } while (listing.Next());
    if (removed)
        removed = listing.EndedNormally();
    listing.Close();

    if (!removeSelf)
        return removed;
    // Whatever an earlier failure left behind makes this removal fail too.
    files.SetAttributes(folder, platform::fileattr::kNormal);
    return files.RemoveDirectory(folder) == platform::error::kSuccess;
}

}  // namespace

bool DeleteTree(platform::FileSystem& files, const std::string& folder, bool removeSelf,
                bool recurse, bool removeSubfolders) {
    if (IsVolumeRoot(folder))
        return false;
    // A trailing separator would lead through a link to its target.
    const std::string self = WithoutTrailingSeparators(folder);
    const std::uint32_t attributes = files.GetAttributes(self);
    if (attributes == platform::fileattr::kInvalid)
        return false;
    if ((attributes & platform::fileattr::kReparsePoint) != 0) {
        const bool folderLink = (attributes & platform::fileattr::kDirectory) != 0;
        return removeSelf && folderLink && files.RemoveDirectory(self) == platform::error::kSuccess;
    }
    return DeleteFolder(files, folder, removeSelf, recurse, removeSubfolders);
}

bool RemoveEmptyFolders(platform::FileSystem& files, const std::string& folder) {
    FolderListing listing(files, folder);
    if (!listing.Started())
        return false;
    do {
        const auto& entry = listing.Entry();
        if (!IsWalkableFolder(entry))
            continue;
        const std::string path = EntryPath(folder, entry.name);
        if (!RemoveEmptyFolders(files, path))
            return false;
        // Fails harmlessly while the folder still holds anything.
        files.RemoveDirectory(path);
    } while (listing.Next());
    return listing.EndedNormally();
}

namespace {

// `throughLink`: the source is reached through a link. Reading through one is harmless, but a
// link met behind another may lead back up the tree, so such links are left out of the copy.
bool CopyFolder(platform::FileSystem& files, const std::string& source, const std::string& target,
                bool failIfExists, bool throughLink) {
    if (!files.PathFileExists(target)) {
        if (files.CreateDirectory(target) != platform::error::kSuccess)
            return false;
    } else if (failIfExists) {
        return false;
    }

    FolderListing listing(files, source);
    if (!listing.Started())
        return false;
    do {
        const auto& entry = listing.Entry();
        const std::string from = EntryPath(source, entry.name);
        const std::string to = EntryPath(target, entry.name);
        if (entry.IsDirectory()) {
            if (entry.IsSelfOrParent() || (throughLink && entry.IsReparsePoint()))
                continue;
            if (!CopyFolder(files, from, to, failIfExists, throughLink || entry.IsReparsePoint()))
                return false;
        } else if (files.CopyFile(from, to, failIfExists) != platform::error::kSuccess) {
            return false;
        }
    } while (listing.Next());
    return listing.EndedNormally();
}

}  // namespace

bool CopyTree(platform::FileSystem& files, const std::string& source, const std::string& target,
              bool failIfExists) {
    return CopyFolder(files, source, target, failIfExists, false);
}

platform::HResult ReadShortcut(platform::Shell& shell, const std::string& linkPath,
                               std::string& target, std::string& arguments,
                               std::size_t bufferSize) {
    std::string linkTarget;
    std::string linkArguments;
    const platform::HResult result = shell.ReadShortcut(linkPath, linkTarget, linkArguments);
    target = platform::CutToBuffer(linkTarget, bufferSize);
    arguments = platform::CutToBuffer(linkArguments, bufferSize);
    return result;
}

platform::HResult CreateShortcut(platform::Shell& shell, const std::string& linkPath,
                                 const std::string& target, const std::string& description,
                                 const std::string& arguments, const std::string& workingFolder,
                                 const std::string& iconPath, int iconIndex, int showCommand) {
    platform::ShortcutData data;
    data.target = target;
    data.description = description;
    data.arguments = arguments;
    data.workingFolder = workingFolder;
    data.iconPath = iconPath;
    data.iconIndex = iconIndex;
    data.showCommand = showCommand;
    return shell.CreateShortcut(linkPath, data);
}

std::string GuidText(const platform::Guid& guid) {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.data1), static_cast<unsigned>(guid.data2),
                  static_cast<unsigned>(guid.data3), guid.data4[0], guid.data4[1], guid.data4[2],
                  guid.data4[3], guid.data4[4], guid.data4[5], guid.data4[6], guid.data4[7]);
    return text;
}

bool NewGuidText(platform::Shell& shell, std::string& text) {
    platform::Guid guid{};
    // An all-zero GUID would make every parked name the same; it counts as none.
    if (!shell.CreateGuid(guid) || guid.IsZero())
        return false;
    text = GuidText(guid);
    return true;
}

bool ReadSetupValue(platform::Registry& registry, const platform::OsVersion& os,
                    const std::string& name, std::string& text) {
    const bool oldNt = os.IsNt() && os.major < 5;
    const char* keyPath = oldNt && name == kSystemRootName ? kNtSetupKey : kSetupKey;

    platform::RegKey key(registry);
    if (key.Open(registry.Root(platform::RegRoot::LocalMachine), keyPath,
                 platform::regaccess::kRead) != platform::error::kSuccess)
        return false;
    platform::RegValue value;
    if (registry.QueryValue(key.Get(), name, kValueBufferSize, value) == platform::error::kSuccess)
        text = BufferText(value);
    return true;
}

}  // namespace velnora::environments

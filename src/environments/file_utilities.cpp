#include "environments/file_utilities.h"

#include <cstdint>
#include <cstdio>
#include <utility>

#include "environments/environment_table.h"
#include "platform/text_units.h"

namespace velnora::environments {

namespace {

constexpr char kSetupKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr char kNtSetupKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr char kSystemRootName[] = "SystemRoot";
constexpr std::uint32_t kNtPlatform = 2;

std::string EntryPath(const std::string& folder, const std::string& name) {
    // A folder text that already ends with "\" gets a second one; the file system accepts it.
    return folder + "\\" + name;
}

// Names beginning with "." stand for the folder itself and its parent.
bool IsDotName(const std::string& name) {
    return !name.empty() && name[0] == '.';
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
            if (IsDotName(entry.name))
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

bool DeleteTree(platform::FileSystem& files, const std::string& folder, bool removeSelf,
                bool recurse, bool removeSubfolders) {
    FolderListing listing(files, folder);
    if (!listing.Started())
        return false;

    bool removed = true;
    do {
        const auto& entry = listing.Entry();
        const std::string path = EntryPath(folder, entry.name);
        if (entry.IsDirectory()) {
            if (IsDotName(entry.name))
                continue;
            if (recurse && !DeleteTree(files, path, false, recurse, removeSubfolders)) {
                removed = false;
                break;
            }
            if (removeSubfolders) {
                files.SetAttributes(path, platform::fileattr::kNormal);
                if (files.RemoveDirectory(path) != platform::error::kSuccess) {
                    removed = false;
                    break;
                }
            }
        } else {
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

bool RemoveEmptyFolders(platform::FileSystem& files, const std::string& folder) {
    FolderListing listing(files, folder);
    if (!listing.Started())
        return false;
    do {
        const auto& entry = listing.Entry();
        if (!entry.IsDirectory() || IsDotName(entry.name))
            continue;
        const std::string path = EntryPath(folder, entry.name);
        if (!RemoveEmptyFolders(files, path))
            return false;
        // Fails harmlessly while the folder still holds anything.
        files.RemoveDirectory(path);
    } while (listing.Next());
    return listing.EndedNormally();
}

bool CopyTree(platform::FileSystem& files, const std::string& source, const std::string& target,
              bool failIfExists) {
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
            if (IsDotName(entry.name))
                continue;
            if (!CopyTree(files, from, to, failIfExists))
                return false;
        } else if (files.CopyFile(from, to, failIfExists) != platform::error::kSuccess) {
            return false;
        }
    } while (listing.Next());
    return listing.EndedNormally();
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
    const bool oldNt = os.platformId == kNtPlatform && os.major < 5;
    const char* keyPath = oldNt && name == kSystemRootName ? kNtSetupKey : kSetupKey;

    platform::Handle key = platform::kNoHandle;
    if (registry.OpenKey(registry.Root(platform::RegRoot::LocalMachine), keyPath,
                         platform::regaccess::kRead, key) != platform::error::kSuccess)
        return false;
    platform::RegValue value;
    if (registry.QueryValue(key, name, kValueBufferSize, value) == platform::error::kSuccess)
        text = BufferText(value);
    registry.CloseKey(key);
    return true;
}

}  // namespace velnora::environments

#include "fake/fake_filesystem.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "fake/fake_text.h"

namespace velnora::fake {

using platform::ErrorCode;
using platform::FindData;
using platform::Handle;
namespace error = platform::error;
namespace fileattr = platform::fileattr;
namespace movefile = platform::movefile;

namespace {

// RemoveDirectory of a file, and MoveFile across drives.
constexpr ErrorCode kErrorDirectory = 267;
constexpr ErrorCode kErrorNotSameDevice = 17;
// Links one lookup follows before it gives up, as Windows does, so that a path that keeps
// running round a link cycle ends.
constexpr int kMaxLinkHops = 63;

// Bits SetFileAttributes keeps (FILE_ATTRIBUTE_DIRECTORY and _NORMAL are not stored).
constexpr std::uint32_t kSettable = fileattr::kReadOnly | fileattr::kHidden | fileattr::kSystem |
                                    fileattr::kArchive | 0x100 | 0x1000 | 0x2000;

struct ParsedPath {
    char drive = 0;
    std::vector<std::string> parts;
    bool trailingSeparator = false;
};

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// "C:\a\..\b" -> C, [b]. Only absolute drive paths exist in the fake.
std::optional<ParsedPath> Parse(const std::string& path) {
    if (path.size() < 2 || path[1] != ':')
        return std::nullopt;
    const char drive = text::Upper(path[0]);
    if (drive < 'A' || drive > 'Z')
        return std::nullopt;
    if (path.size() > 2 && !IsSeparator(path[2]))
        return std::nullopt;
    ParsedPath parsed;
    parsed.drive = drive;
    for (std::string& part : text::SplitPath(path.substr(2))) {
        if (part == ".")
            continue;
        if (part == "..") {
            if (!parsed.parts.empty())
                parsed.parts.pop_back();
            continue;
        }
        parsed.parts.push_back(std::move(part));
    }
    parsed.trailingSeparator = !parsed.parts.empty() && IsSeparator(path.back());
    return parsed;
}

}  // namespace

struct FakeFileSystem::Node {
    std::string name;
    std::string shortName;
    bool folder = false;
    std::uint32_t attributes = 0;  // the settable bits only
    std::string content;
    platform::LocalFileTime modified;
    // Not empty for a link: the path it points to. A folder link has no children of its own.
    std::string linkTarget;
    bool heldOpen = false;
    Node* parent = nullptr;
    std::vector<std::unique_ptr<Node>> children;

    Node* Child(std::string_view childName) const {
        for (const auto& child : children)
            if (text::EqualNoCase(child->name, childName) ||
                (!child->shortName.empty() && text::EqualNoCase(child->shortName, childName)))
                return child.get();
        return nullptr;
    }

    std::unique_ptr<Node> Detach(Node* child) {
        const auto it = std::find_if(children.begin(), children.end(),
                                     [&](const auto& c) { return c.get() == child; });
        std::unique_ptr<Node> detached = std::move(*it);
        children.erase(it);
        detached->parent = nullptr;
        return detached;
    }

    Node& Attach(std::unique_ptr<Node> child) {
        child->parent = this;
        children.push_back(std::move(child));
        return *children.back();
    }

    const Node& Root() const {
        const Node* node = this;
        while (node->parent != nullptr)
            node = node->parent;
        return *node;
    }
};

// Where a path leads: `error` is 0 when the entry exists, kFileNotFound when only the last
// component is missing (then `parent` is its folder), kPathNotFound when a folder on the way
// is missing.
struct FakeFileSystem::Lookup {
    ErrorCode error = error::kSuccess;
    Node* node = nullptr;
    Node* parent = nullptr;
    std::string leaf;
    bool root = false;
};

struct FakeFileSystem::Listing {
    std::vector<FindData> entries;
    std::size_t next = 0;
};

FakeFileSystem::FakeFileSystem(Faults& faults) : faults_(faults) {}
FakeFileSystem::~FakeFileSystem() = default;

FakeFileSystem::Lookup FakeFileSystem::Resolve(const std::string& path) const {
    int hops = 0;
    return Resolve(path, hops);
}

FakeFileSystem::Lookup FakeFileSystem::Resolve(const std::string& path, int& hops) const {
    Lookup found;
    const auto parsed = Parse(path);
    if (!parsed) {
        found.error = error::kPathNotFound;
        return found;
    }
    const auto drive = drives_.find(parsed->drive);
    if (drive == drives_.end()) {
        found.error = error::kPathNotFound;
        return found;
    }
    Node* folder = drive->second.get();
    if (parsed->parts.empty()) {
        found.node = folder;
        found.root = true;
        return found;
    }
    for (std::size_t i = 0; i + 1 < parsed->parts.size(); ++i) {
        folder = Follow(folder->Child(parsed->parts[i]), hops);
        if (folder == nullptr || !folder->folder) {
            found.error = error::kPathNotFound;
            return found;
        }
    }
    found.parent = folder;
    found.leaf = parsed->parts.back();
    found.node = folder->Child(found.leaf);
    // "C:\file.txt\" names no folder.
    if (found.node != nullptr && parsed->trailingSeparator && !found.node->folder)
        found.node = nullptr;
    if (found.node == nullptr)
        found.error = error::kFileNotFound;
    return found;
}

FakeFileSystem::Node* FakeFileSystem::Find(const std::string& path) const {
    return Resolve(path).node;
}

FakeFileSystem::Node* FakeFileSystem::Follow(Node* node) const {
    int hops = 0;
    return Follow(node, hops);
}

FakeFileSystem::Node* FakeFileSystem::Follow(Node* node, int& hops) const {
    while (node != nullptr && !node->linkTarget.empty()) {
        if (++hops > kMaxLinkHops)
            return nullptr;
        const bool folderLink = node->folder;
        node = Resolve(node->linkTarget, hops).node;
        if (node != nullptr && node->folder != folderLink)
            return nullptr;
    }
    return node;
}

FakeFileSystem::Lookup FakeFileSystem::Followed(Lookup found) const {
    if (found.node != nullptr && !found.node->linkTarget.empty()) {
        found.node = Follow(found.node);
        if (found.node == nullptr) {
            // A dead link: nothing to read, and its name is taken.
            found.error = error::kFileNotFound;
            found.parent = nullptr;
        }
    }
    return found;
}

FakeFileSystem::Node& FakeFileSystem::MakeFolders(const std::string& path) {
    const auto parsed = Parse(path);
    if (!parsed)
        throw std::invalid_argument("not a drive path: " + path);
    auto& drive = drives_[parsed->drive];
    if (!drive) {
        drive = std::make_unique<Node>();
        drive->name = std::string(1, parsed->drive) + ":";
        drive->folder = true;
    }
    Node* folder = drive.get();
    for (const std::string& part : parsed->parts) {
        Node* child = folder->Child(part);
        if (child != nullptr && !child->linkTarget.empty()) {
            child = Follow(child);
            if (child == nullptr)
                throw std::invalid_argument("a dead link is in the way of folder " + path);
        }
        if (child == nullptr) {
            auto created = std::make_unique<Node>();
            created->name = part;
            created->folder = true;
            child = &folder->Attach(std::move(created));
        } else if (!child->folder) {
            throw std::invalid_argument("a file is in the way of folder " + path);
        }
        folder = child;
    }
    return *folder;
}

bool FakeFileSystem::HoldsOpenFile(const Node& node) {
    if (node.heldOpen)
        return true;
    for (const auto& child : node.children)
        if (HoldsOpenFile(*child))
            return true;
    return false;
}

bool FakeFileSystem::IsInside(const Node& node, const Node& folder) {
    for (const Node* up = &node; up != nullptr; up = up->parent)
        if (up == &folder)
            return true;
    return false;
}

std::uint32_t FakeFileSystem::AttributesOf(const Node& node) {
    const std::uint32_t link = node.linkTarget.empty() ? 0 : fileattr::kReparsePoint;
    if (node.folder)
        return fileattr::kDirectory | link | node.attributes;
    if (node.attributes == 0 && link == 0)
        return fileattr::kNormal;
    return link | node.attributes;
}

ErrorCode FakeFileSystem::CheckReadable(const Lookup& found) const {
    if (found.error != error::kSuccess)
        return found.error;
    if (found.node->folder)
        return error::kAccessDenied;
    if (found.node->heldOpen)
        return error::kSharingViolation;
    return error::kSuccess;
}

// --- The interface ---

ErrorCode FakeFileSystem::FindFirst(const std::string& pattern, Handle& find, FindData& data) {
    find = platform::kNoHandle;
    if (auto failure = faults_.Enter(op::kFindFirst, pattern))
        return *failure;
    const auto parsed = Parse(pattern);
    if (!parsed)
        return error::kPathNotFound;
    // A pattern that ends in a separator names nothing to list.
    if (parsed->parts.empty() || parsed->trailingSeparator)
        return error::kFileNotFound;

    std::string folderPath = std::string(1, parsed->drive) + ":\\";
    for (std::size_t i = 0; i + 1 < parsed->parts.size(); ++i)
        folderPath += parsed->parts[i] + "\\";
    const Lookup folder = Followed(Resolve(folderPath));
    if (folder.error != error::kSuccess || !folder.node->folder)
        return error::kPathNotFound;

    const std::string& mask = parsed->parts.back();
    auto listing = std::make_unique<Listing>();
    if (text::HasWildcard(mask)) {
        if (!folder.root) {
            for (const char* dots : {".", ".."})
                if (text::WildcardMatch(mask, dots))
                    listing->entries.push_back(FindData{dots, fileattr::kDirectory, 0});
        }
        for (const auto& child : folder.node->children)
            if (text::WildcardMatch(mask, child->name) ||
                (!child->shortName.empty() && text::WildcardMatch(mask, child->shortName)))
                listing->entries.push_back(
                    FindData{child->name, AttributesOf(*child), child->content.size()});
    } else if (const Node* child = folder.node->Child(mask)) {
        listing->entries.push_back(
            FindData{child->name, AttributesOf(*child), child->content.size()});
    }
    if (listing->entries.empty())
        return error::kFileNotFound;

    data = listing->entries[0];
    listing->next = 1;
    find = nextHandle_++;
    listings_[find] = std::move(listing);
    return error::kSuccess;
}

ErrorCode FakeFileSystem::FindNext(Handle find, FindData& data) {
    if (auto failure = faults_.Enter(op::kFindNext))
        return *failure;
    const auto it = listings_.find(find);
    if (it == listings_.end())
        return error::kInvalidHandle;
    Listing& listing = *it->second;
    if (listing.next >= listing.entries.size())
        return error::kNoMoreFiles;
    data = listing.entries[listing.next++];
    return error::kSuccess;
}

void FakeFileSystem::FindClose(Handle find) {
    faults_.Enter(op::kFindClose);
    listings_.erase(find);
}

std::uint32_t FakeFileSystem::GetAttributes(const std::string& path) {
    if (faults_.Enter(op::kGetAttributes, path))
        return fileattr::kInvalid;
    return Attributes(path);
}

ErrorCode FakeFileSystem::SetAttributes(const std::string& path, std::uint32_t attributes) {
    if (auto failure = faults_.Enter(op::kSetAttributes, path))
        return *failure;
    const Lookup found = Resolve(path);
    if (found.error != error::kSuccess)
        return found.error;
    found.node->attributes = attributes & kSettable;
    return error::kSuccess;
}

ErrorCode FakeFileSystem::MoveFile(const std::string& from, const std::string& to,
                                   std::uint32_t flags) {
    if (auto failure = faults_.Enter(op::kMoveFile, from + " -> " + to))
        return *failure;
    return MovePath(from, to, flags);
}

ErrorCode FakeFileSystem::MovePath(const std::string& from, const std::string& to,
                                   std::uint32_t flags) {
    const Lookup source = Resolve(from);
    if (source.error != error::kSuccess)
        return source.error;
    if (source.root)
        return error::kAccessDenied;
    if ((flags & movefile::kDelayUntilReboot) != 0) {
        pendingRenames_.emplace_back(from, to);
        return error::kSuccess;
    }
    Node* moving = source.node;
    if (moving->heldOpen)
        return error::kSharingViolation;
    if (moving->folder && HoldsOpenFile(*moving))
        return error::kAccessDenied;

    const Lookup target = Resolve(to);
    if (target.error == error::kPathNotFound)
        return error::kPathNotFound;
    if (target.root)
        return error::kAccessDenied;
    if (target.node == moving) {  // a new spelling of the same name
        moving->name = target.leaf;
        return error::kSuccess;
    }
    if (IsInside(*target.parent, *moving))
        return error::kInvalidParameter;
    if (target.node != nullptr) {
        if ((flags & movefile::kReplaceExisting) == 0)
            return error::kAlreadyExists;
        if (target.node->folder || moving->folder ||
            (target.node->attributes & fileattr::kReadOnly) != 0 || target.node->heldOpen)
            return error::kAccessDenied;
    }
    if (&moving->Root() != &target.parent->Root() &&
        (moving->folder || (flags & movefile::kCopyAllowed) == 0))
        return kErrorNotSameDevice;

    if (target.node != nullptr)
        target.parent->Detach(target.node);
    std::unique_ptr<Node> detached = moving->parent->Detach(moving);
    detached->name = target.leaf;
    detached->shortName.clear();
    target.parent->Attach(std::move(detached));
    return error::kSuccess;
}

ErrorCode FakeFileSystem::CopyFile(const std::string& from, const std::string& to,
                                   bool failIfExists) {
    if (auto failure = faults_.Enter(op::kCopyFile, from + " -> " + to))
        return *failure;
    const Lookup source = Followed(Resolve(from));
    if (source.error != error::kSuccess)
        return source.error;
    if (source.node->folder)
        return error::kAccessDenied;
    if (source.node->heldOpen)
        return error::kSharingViolation;

    const Lookup target = Followed(Resolve(to));
    if (target.error == error::kPathNotFound ||
        (target.node == nullptr && target.parent == nullptr))
        return error::kPathNotFound;
    if (target.root)
        return error::kAccessDenied;
    if (target.node == source.node)
        return error::kSharingViolation;
    if (target.node != nullptr) {
        if (failIfExists)
            return error::kFileExists;
        if (target.node->folder ||
            (target.node->attributes & (fileattr::kReadOnly | fileattr::kHidden)) != 0)
            return error::kAccessDenied;
        if (target.node->heldOpen)
            return error::kSharingViolation;
        target.node->content = source.node->content;
        target.node->attributes = source.node->attributes;
        target.node->modified = source.node->modified;
        return error::kSuccess;
    }
    auto copy = std::make_unique<Node>();
    copy->name = target.leaf;
    copy->content = source.node->content;
    copy->attributes = source.node->attributes;
    copy->modified = source.node->modified;
    target.parent->Attach(std::move(copy));
    return error::kSuccess;
}

ErrorCode FakeFileSystem::DeleteFile(const std::string& path) {
    if (auto failure = faults_.Enter(op::kDeleteFile, path))
        return *failure;
    const Lookup found = Resolve(path);
    if (found.error != error::kSuccess)
        return found.error;
    if (found.root || found.node->folder || (found.node->attributes & fileattr::kReadOnly) != 0)
        return error::kAccessDenied;
    if (found.node->heldOpen)
        return error::kSharingViolation;
    found.parent->Detach(found.node);
    return error::kSuccess;
}

ErrorCode FakeFileSystem::CreateDirectory(const std::string& path) {
    if (auto failure = faults_.Enter(op::kCreateDirectory, path))
        return *failure;
    const Lookup found = Resolve(path);
    if (found.error == error::kPathNotFound)
        return error::kPathNotFound;
    if (found.node != nullptr || found.root)
        return error::kAlreadyExists;
    auto folder = std::make_unique<Node>();
    folder->name = found.leaf;
    folder->folder = true;
    found.parent->Attach(std::move(folder));
    return error::kSuccess;
}

ErrorCode FakeFileSystem::RemoveDirectory(const std::string& path) {
    if (auto failure = faults_.Enter(op::kRemoveDirectory, path))
        return *failure;
    const Lookup found = Resolve(path);
    if (found.error != error::kSuccess)
        return found.error;
    if (!found.node->folder)
        return kErrorDirectory;
    if (found.root)
        return error::kAccessDenied;
    if (!found.node->children.empty())
        return error::kDirNotEmpty;
    if ((found.node->attributes & fileattr::kReadOnly) != 0)
        return error::kAccessDenied;
    found.parent->Detach(found.node);
    return error::kSuccess;
}

ErrorCode FakeFileSystem::CanOpenForReading(const std::string& path) {
    if (auto failure = faults_.Enter(op::kCanOpenForReading, path))
        return *failure;
    return CheckReadable(Followed(Resolve(path)));
}

ErrorCode FakeFileSystem::ReadFile(const std::string& path, std::string& content) {
    content.clear();
    if (auto failure = faults_.Enter(op::kReadFile, path))
        return *failure;
    return ReadText(path, content);
}

ErrorCode FakeFileSystem::WriteFile(const std::string& path, const std::string& content) {
    if (auto failure = faults_.Enter(op::kWriteFile, path))
        return *failure;
    return WriteText(path, content);
}

// The fake has no cache: a write through is a write, and fails as one.
ErrorCode FakeFileSystem::WriteFileThrough(const std::string& path, const std::string& content) {
    return WriteFile(path, content);
}

ErrorCode FakeFileSystem::GetLongPathName(const std::string& path, std::string& longPath) {
    if (auto failure = faults_.Enter(op::kGetLongPathName, path))
        return *failure;
    if (!Parse(path))
        return error::kFileNotFound;
    const auto drive = drives_.find(text::Upper(path[0]));
    if (drive == drives_.end())
        return error::kFileNotFound;
    // Every component is replaced by the entry's own name; the separators stay as given.
    std::string result = path.substr(0, 2);
    const Node* current = drive->second.get();
    std::size_t i = 2;
    while (i < path.size()) {
        if (IsSeparator(path[i])) {
            result += path[i++];
            continue;
        }
        std::size_t end = i;
        while (end < path.size() && !IsSeparator(path[end]))
            ++end;
        const std::string component = path.substr(i, end - i);
        i = end;
        if (component == ".") {
            result += component;
        } else if (component == "..") {
            if (current->parent != nullptr)
                current = current->parent;
            result += component;
        } else {
            Node* child = current->folder ? current->Child(component) : nullptr;
            if (child == nullptr)
                return error::kFileNotFound;
            result += child->name;
            const Node* reached = Follow(child);
            current = reached != nullptr ? reached : child;
        }
    }
    longPath = result;
    return error::kSuccess;
}

bool FakeFileSystem::PathFileExists(const std::string& path) {
    if (faults_.Enter(op::kPathFileExists, path))
        return false;
    return Exists(path);
}

bool FakeFileSystem::PathIsDirectory(const std::string& path) {
    if (faults_.Enter(op::kPathIsDirectory, path))
        return false;
    return IsFolder(path);
}

ErrorCode FakeFileSystem::GetModifiedTime(const std::string& path, platform::LocalFileTime& time) {
    if (auto failure = faults_.Enter(op::kGetModifiedTime, path))
        return *failure;
    const Lookup found = Followed(Resolve(path));
    if (found.error != error::kSuccess)
        return found.error;
    time = found.node->modified;
    return error::kSuccess;
}

// --- For the other fakes ---

ErrorCode FakeFileSystem::ReadText(const std::string& path, std::string& content) const {
    const Lookup found = Followed(Resolve(path));
    if (const ErrorCode failed = CheckReadable(found); failed != error::kSuccess)
        return failed;
    content = found.node->content;
    return error::kSuccess;
}

const std::string* FakeFileSystem::PeekText(const std::string& path, ErrorCode& error) const {
    const Lookup found = Followed(Resolve(path));
    error = CheckReadable(found);
    return error == error::kSuccess ? &found.node->content : nullptr;
}

ErrorCode FakeFileSystem::WriteText(const std::string& path, const std::string& content) {
    const Lookup found = Followed(Resolve(path));
    if (found.error == error::kPathNotFound || (found.node == nullptr && found.parent == nullptr))
        return error::kPathNotFound;
    if (found.root)
        return error::kAccessDenied;
    if (found.node != nullptr) {
        // CreateFile(CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL) refuses read-only, hidden and
        // system files.
        if (found.node->folder ||
            (found.node->attributes &
             (fileattr::kReadOnly | fileattr::kHidden | fileattr::kSystem)) != 0)
            return error::kAccessDenied;
        if (found.node->heldOpen)
            return error::kSharingViolation;
        found.node->content = content;
        found.node->attributes = fileattr::kArchive;
        found.node->modified = now_;
        return error::kSuccess;
    }
    auto file = std::make_unique<Node>();
    file->name = found.leaf;
    file->content = content;
    file->attributes = fileattr::kArchive;
    file->modified = now_;
    found.parent->Attach(std::move(file));
    return error::kSuccess;
}

// --- Test set-up and assertions ---

void FakeFileSystem::AddFolder(const std::string& path) {
    MakeFolders(path);
}

void FakeFileSystem::AddFile(const std::string& path, const std::string& content,
                             std::uint32_t attributes) {
    const auto parsed = Parse(path);
    if (!parsed || parsed->parts.empty() || parsed->trailingSeparator)
        throw std::invalid_argument("not a file path: " + path);
    std::string folderPath = std::string(1, parsed->drive) + ":\\";
    for (std::size_t i = 0; i + 1 < parsed->parts.size(); ++i)
        folderPath += parsed->parts[i] + "\\";
    Node& folder = MakeFolders(folderPath);
    Node* file = folder.Child(parsed->parts.back());
    if (file == nullptr) {
        auto created = std::make_unique<Node>();
        created->name = parsed->parts.back();
        file = &folder.Attach(std::move(created));
    } else if (file->folder || !file->linkTarget.empty()) {
        throw std::invalid_argument("a folder or link is in the way of file " + path);
    }
    file->content = content;
    file->attributes = attributes & kSettable;
    file->modified = now_;
}

void FakeFileSystem::SetModifiedTime(const std::string& path, const platform::LocalFileTime& time) {
    Node* node = Find(path);
    if (node == nullptr)
        throw std::invalid_argument("no file to give a time: " + path);
    node->modified = time;
}

void FakeFileSystem::AddLink(const std::string& path, const std::string& target) {
    const Node* reached = Follow(Find(target));
    if (reached == nullptr)
        throw std::invalid_argument("no target for a link: " + target);
    const auto parsed = Parse(path);
    if (!parsed || parsed->parts.empty())
        throw std::invalid_argument("not a link path: " + path);
    std::string folderPath = std::string(1, parsed->drive) + ":\\";
    for (std::size_t i = 0; i + 1 < parsed->parts.size(); ++i)
        folderPath += parsed->parts[i] + "\\";
    Node& folder = MakeFolders(folderPath);
    if (folder.Child(parsed->parts.back()) != nullptr)
        throw std::invalid_argument("something is in the way of link " + path);
    auto link = std::make_unique<Node>();
    link->name = parsed->parts.back();
    link->folder = reached->folder;
    link->linkTarget = target;
    folder.Attach(std::move(link));
}

void FakeFileSystem::HoldOpen(const std::string& path) {
    Node* node = Follow(Find(path));
    if (node == nullptr || node->folder)
        throw std::invalid_argument("no file to hold open: " + path);
    node->heldOpen = true;
}

void FakeFileSystem::Release(const std::string& path) {
    if (Node* node = Find(path))
        node->heldOpen = false;
}

void FakeFileSystem::SetShortName(const std::string& path, const std::string& shortName) {
    Node* node = Find(path);
    if (node == nullptr || node->parent == nullptr)
        throw std::invalid_argument("no entry to give a short name: " + path);
    node->shortName = shortName;
}

void FakeFileSystem::Remove(const std::string& path) {
    const Lookup found = Resolve(path);
    if (found.error != error::kSuccess)
        return;
    if (found.root)
        drives_.erase(found.node->name[0]);
    else
        found.parent->Detach(found.node);
}

bool FakeFileSystem::Exists(const std::string& path) const {
    return Find(path) != nullptr;
}

bool FakeFileSystem::IsFolder(const std::string& path) const {
    const Node* node = Find(path);
    return node != nullptr && node->folder;
}

std::string FakeFileSystem::Content(const std::string& path) const {
    const Node* node = Follow(Find(path));
    if (node == nullptr || node->folder)
        throw std::out_of_range("no such file: " + path);
    return node->content;
}

std::uint32_t FakeFileSystem::Attributes(const std::string& path) const {
    const Node* node = Find(path);
    return node == nullptr ? fileattr::kInvalid : AttributesOf(*node);
}

std::vector<std::string> FakeFileSystem::ListTree(const std::string& folder) const {
    std::vector<std::string> paths;
    const Node* top = Find(folder);
    if (top == nullptr || !top->folder)
        return paths;
    struct Walker {
        std::vector<std::string>& out;
        void Walk(const Node& node, const std::string& prefix) {
            for (const auto& child : node.children) {
                const std::string path = prefix + child->name;
                if (!child->linkTarget.empty()) {
                    out.push_back(path + " -> " + child->linkTarget);
                } else if (child->folder) {
                    out.push_back(path + "\\");
                    Walk(*child, path + "\\");
                } else {
                    out.push_back(path);
                }
            }
        }
    };
    Walker{paths}.Walk(*top, "");
    std::sort(paths.begin(), paths.end(),
              [](const std::string& a, const std::string& b) { return text::LessNoCase(a, b); });
    return paths;
}

}  // namespace velnora::fake

#include "contract_fixture.h"

namespace velnora::contract {

using platform::ErrorCode;
using platform::Handle;
namespace error = platform::error;

void PlatformContract::SetUp() {
    put_ = GetParam().make();
}

void PlatformContract::TearDown() {
    if (put_)
        put_->Cleanup();
}

std::string PlatformContract::Scratch(const std::string& name) {
    return put_->ScratchFolder() + "\\" + name;
}

void PlatformContract::MakeFile(const std::string& path, const std::string& content) {
    ASSERT_EQ(Files().WriteFile(path, content), error::kSuccess) << path;
}

void PlatformContract::MakeFolder(const std::string& path) {
    ASSERT_EQ(Files().CreateDirectory(path), error::kSuccess) << path;
}

bool PlatformContract::MakeLinkedFolder(const std::string& link) {
    MakeFolder(Scratch("target"));
    MakeFile(Scratch("target\\a.txt"), "a");
    MakeFolder(Scratch("target\\sub"));
    MakeFile(Scratch("target\\sub\\b.txt"), "b");
    return put_->MakeFolderLink(link, Scratch("target"));
}

std::string PlatformContract::ReadText(const std::string& path) {
    std::string content;
    const ErrorCode read = Files().ReadFile(path, content);
    if (read != error::kSuccess)
        return "<error " + std::to_string(read) + ">";
    return content;
}

std::vector<std::string> PlatformContract::List(const std::string& pattern, ErrorCode* end) {
    std::vector<std::string> names;
    Handle find = platform::kNoHandle;
    platform::FindData data;
    ErrorCode result = Files().FindFirst(pattern, find, data);
    while (result == error::kSuccess) {
        names.push_back(data.name);
        result = Files().FindNext(find, data);
    }
    if (find != platform::kNoHandle)
        Files().FindClose(find);
    if (end != nullptr)
        *end = result;
    return names;
}

std::string PlatformContract::ScratchKeyPath(const std::string& subPath) {
    return subPath.empty() ? put_->ScratchKey() : put_->ScratchKey() + "\\" + subPath;
}

Handle PlatformContract::CreateScratchKey(const std::string& subPath, std::uint32_t access) {
    Handle key = platform::kNoHandle;
    EXPECT_EQ(Reg().CreateKey(Hklm(), ScratchKeyPath(subPath), access, key), error::kSuccess);
    return key;
}

std::string PlatformContract::ChildCommand(std::uint32_t ms, std::uint32_t exitCode) {
    return "\"" + put_->ChildProgram() + "\" " + std::to_string(ms) + " " +
           std::to_string(exitCode);
}

void DeleteTreeThrough(platform::FileSystem& files, const std::string& folder) {
    std::vector<std::pair<std::string, platform::FindData>> entries;
    Handle find = platform::kNoHandle;
    platform::FindData data;
    for (ErrorCode result = files.FindFirst(folder + "\\*", find, data); result == error::kSuccess;
         result = files.FindNext(find, data))
        if (!data.IsSelfOrParent())
            entries.emplace_back(folder + "\\" + data.name, data);
    if (find != platform::kNoHandle)
        files.FindClose(find);
    for (const auto& [path, entry] : entries) {
        // A link goes as itself, with its attributes left alone.
        if (entry.IsReparsePoint()) {
            if (entry.IsDirectory())
                files.RemoveDirectory(path);
            else
                files.DeleteFile(path);
            continue;
        }
        files.SetAttributes(path, platform::fileattr::kNormal);
        if (entry.IsDirectory())
            DeleteTreeThrough(files, path);
        else
            files.DeleteFile(path);
    }
    files.SetAttributes(folder, platform::fileattr::kNormal);
    files.RemoveDirectory(folder);
}

void DeleteKeyThrough(platform::Registry& registry, Handle root, const std::string& path) {
    Handle key = platform::kNoHandle;
    if (registry.OpenKey(root, path, platform::regaccess::kRead, key) != error::kSuccess)
        return;
    std::vector<std::string> subkeys;
    std::string name;
    for (std::uint32_t i = 0; registry.EnumKey(key, i, 256, name) == error::kSuccess; ++i)
        subkeys.push_back(name);
    registry.CloseKey(key);
    for (const std::string& sub : subkeys)
        DeleteKeyThrough(registry, root, path + "\\" + sub);
    registry.DeleteKey(root, path);
}

}  // namespace velnora::contract

#include "core/change_failures.h"

#include <iterator>
#include <map>

#include "core/run_log.h"

namespace velnora::core {

namespace {

using platform::ErrorCode;
using platform::Handle;
namespace error = platform::error;

constexpr const char* kRootNames[] = {"HKLM", "HKCR", "HKCU"};

bool Missing(ErrorCode code) {
    return code == error::kFileNotFound || code == error::kPathNotFound;
}

}  // namespace

// Keys are known by their handles: the path of every key opened through here is kept until it
// is closed, so that a failed change names it.
class ChangeFailures::Registry final : public platform::Registry {
  public:
    Registry(platform::Registry& inner, ChangeFailures& failures)
        : inner_(inner), failures_(failures) {}

    Handle Root(platform::RegRoot root) override {
        const Handle handle = inner_.Root(root);
        const auto index = static_cast<std::size_t>(root);
        paths_[handle] = index < std::size(kRootNames) ? kRootNames[index] : "?";
        return handle;
    }
    ErrorCode OpenKey(Handle parent, const std::string& path, std::uint32_t access,
                      Handle& key) override {
        return Opened(inner_.OpenKey(parent, path, access, key), parent, path, key);
    }
    ErrorCode OpenKeyDefault(Handle parent, const std::string& path, Handle& key) override {
        return Opened(inner_.OpenKeyDefault(parent, path, key), parent, path, key);
    }
    ErrorCode CreateKey(Handle parent, const std::string& path, std::uint32_t access,
                        Handle& key) override {
        const ErrorCode result = inner_.CreateKey(parent, path, access, key);
        if (result != error::kSuccess)
            failures_.Note("create key", Join(parent, path), result);
        return Opened(result, parent, path, key);
    }
    ErrorCode CloseKey(Handle key) override {
        paths_.erase(key);
        return inner_.CloseKey(key);
    }
    ErrorCode EnumKey(Handle key, std::uint32_t index, std::size_t nameBufferSize,
                      std::string& name) override {
        return inner_.EnumKey(key, index, nameBufferSize, name);
    }
    ErrorCode EnumValue(Handle key, std::uint32_t index, std::size_t nameBufferSize,
                        std::size_t dataBufferSize, std::string& name,
                        platform::RegValue& value) override {
        return inner_.EnumValue(key, index, nameBufferSize, dataBufferSize, name, value);
    }
    ErrorCode QueryInfoKey(Handle key, platform::RegKeyInfo& info) override {
        return inner_.QueryInfoKey(key, info);
    }
    ErrorCode QueryValue(Handle key, const std::string& name, std::size_t dataBufferSize,
                         platform::RegValue& value) override {
        return inner_.QueryValue(key, name, dataBufferSize, value);
    }
    ErrorCode SetValue(Handle key, const std::string& name,
                       const platform::RegValue& value) override {
        const ErrorCode result = inner_.SetValue(key, name, value);
        if (result != error::kSuccess)
            failures_.Note("set value", Join(key, "") + " \"" + name + "\"", result);
        return result;
    }
    ErrorCode DeleteKey(Handle parent, const std::string& path) override {
        const ErrorCode result = inner_.DeleteKey(parent, path);
        if (result != error::kSuccess && !Missing(result))
            failures_.Note("delete key", Join(parent, path), result);
        return result;
    }
    ErrorCode DeleteValue(Handle key, const std::string& name) override {
        const ErrorCode result = inner_.DeleteValue(key, name);
        if (result != error::kSuccess && !Missing(result))
            failures_.Note("delete value", Join(key, "") + " \"" + name + "\"", result);
        return result;
    }

  private:
    std::string Join(Handle parent, const std::string& path) const {
        const auto known = paths_.find(parent);
        const std::string base = known != paths_.end() ? known->second : "?";
        return path.empty() ? base : base + "\\" + path;
    }
    ErrorCode Opened(ErrorCode result, Handle parent, const std::string& path, Handle key) {
        if (result == error::kSuccess)
            paths_[key] = Join(parent, path);
        return result;
    }

    platform::Registry& inner_;
    ChangeFailures& failures_;
    std::map<Handle, std::string> paths_;
};

class ChangeFailures::Files final : public platform::FileSystem {
  public:
    Files(platform::FileSystem& inner, ChangeFailures& failures)
        : inner_(inner), failures_(failures) {}

    ErrorCode FindFirst(const std::string& pattern, Handle& find,
                        platform::FindData& data) override {
        return inner_.FindFirst(pattern, find, data);
    }
    ErrorCode FindNext(Handle find, platform::FindData& data) override {
        return inner_.FindNext(find, data);
    }
    void FindClose(Handle find) override { inner_.FindClose(find); }
    std::uint32_t GetAttributes(const std::string& path) override {
        return inner_.GetAttributes(path);
    }
    ErrorCode SetAttributes(const std::string& path, std::uint32_t attributes) override {
        return Noted("set attributes", path, inner_.SetAttributes(path, attributes));
    }
    ErrorCode MoveFile(const std::string& from, const std::string& to,
                       std::uint32_t flags) override {
        return Noted("move", from + " -> " + to, inner_.MoveFile(from, to, flags));
    }
    ErrorCode CopyFile(const std::string& from, const std::string& to, bool failIfExists) override {
        return Noted("copy", from + " -> " + to, inner_.CopyFile(from, to, failIfExists));
    }
    ErrorCode DeleteFile(const std::string& path) override {
        const ErrorCode result = inner_.DeleteFile(path);
        return Missing(result) ? result : Noted("delete", path, result);
    }
    ErrorCode CreateDirectory(const std::string& path) override {
        const ErrorCode result = inner_.CreateDirectory(path);
        return result == error::kAlreadyExists ? result : Noted("create folder", path, result);
    }
    ErrorCode RemoveDirectory(const std::string& path) override {
        const ErrorCode result = inner_.RemoveDirectory(path);
        return Missing(result) ? result : Noted("remove folder", path, result);
    }
    ErrorCode CanOpenForReading(const std::string& path) override {
        return inner_.CanOpenForReading(path);
    }
    ErrorCode ReadFile(const std::string& path, std::string& content) override {
        return inner_.ReadFile(path, content);
    }
    ErrorCode WriteFile(const std::string& path, const std::string& content) override {
        return Noted("write", path, inner_.WriteFile(path, content));
    }
    ErrorCode WriteFileThrough(const std::string& path, const std::string& content) override {
        return Noted("write", path, inner_.WriteFileThrough(path, content));
    }
    ErrorCode GetLongPathName(const std::string& path, std::string& longPath) override {
        return inner_.GetLongPathName(path, longPath);
    }
    bool PathFileExists(const std::string& path) override { return inner_.PathFileExists(path); }
    bool PathIsDirectory(const std::string& path) override { return inner_.PathIsDirectory(path); }
    ErrorCode GetModifiedTime(const std::string& path, platform::LocalFileTime& time) override {
        return inner_.GetModifiedTime(path, time);
    }

  private:
    ErrorCode Noted(const char* what, const std::string& target, ErrorCode result) {
        if (result != error::kSuccess)
            failures_.Note(what, target, result);
        return result;
    }

    platform::FileSystem& inner_;
    ChangeFailures& failures_;
};

class ChangeFailures::Profile final : public platform::ProfileFiles {
  public:
    Profile(platform::ProfileFiles& inner, ChangeFailures& failures)
        : inner_(inner), failures_(failures) {}

    std::size_t GetString(const std::string& section, const std::optional<std::string>& key,
                          const std::string& defaultValue, std::size_t bufferSize,
                          const std::string& file, std::string& out) override {
        return inner_.GetString(section, key, defaultValue, bufferSize, file, out);
    }
    std::size_t GetSection(const std::string& section, std::size_t bufferSize,
                           const std::string& file, std::string& out) override {
        return inner_.GetSection(section, bufferSize, file, out);
    }
    bool WriteString(const std::string& section, const std::optional<std::string>& key,
                     const std::optional<std::string>& value, const std::string& file) override {
        const bool written = inner_.WriteString(section, key, value, file);
        if (!written)
            failures_.Note("write setting",
                           file + " [" + section + "] " + key.value_or("(whole section)"),
                           platform::error::kSuccess);
        return written;
    }

  private:
    platform::ProfileFiles& inner_;
    ChangeFailures& failures_;
};

ChangeFailures::ChangeFailures(platform::Platform& inner)
    : registry_(std::make_unique<Registry>(inner.registry, *this)),
      files_(std::make_unique<Files>(inner.files, *this)),
      profile_(std::make_unique<Profile>(inner.profile, *this)),
      services_{*profile_,   *registry_,    *files_,  inner.processes,
                inner.shell, inner.session, inner.ui, inner.console} {}

ChangeFailures::~ChangeFailures() = default;

void ChangeFailures::Note(const std::string& what, const std::string& target,
                          platform::ErrorCode error) {
    if (slot_ == nullptr || *slot_ == nullptr || noting_)
        return;
    noting_ = true;
    std::string line = "platform: " + what + " failed: " + target;
    if (error != platform::error::kSuccess)
        line += " (error " + std::to_string(error) + ")";
    (*slot_)->Failure(line);
    noting_ = false;
}

}  // namespace velnora::core

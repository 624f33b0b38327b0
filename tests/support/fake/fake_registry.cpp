#include "fake/fake_registry.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "fake/fake_text.h"

namespace velnora::fake {

using platform::ErrorCode;
using platform::Handle;
using platform::RegRoot;
using platform::RegValue;
namespace error = platform::error;

namespace {

constexpr Handle kLocalMachineHandle = 0x80000002;
constexpr Handle kClassesRootHandle = 0x80000000;
constexpr Handle kCurrentUserHandle = 0x80000001;

bool IsRootHandle(Handle handle) {
    return handle == kLocalMachineHandle || handle == kClassesRootHandle ||
           handle == kCurrentUserHandle;
}

constexpr ErrorCode kErrorBadPathname = 161;

constexpr std::uint32_t kQueryValue = 0x1;
constexpr std::uint32_t kSetValue = 0x2;
constexpr std::uint32_t kEnumerateSubKeys = 0x8;
constexpr std::uint32_t kWriteBits = 0x2 | 0x4 | 0x10000 | 0x40000 | 0x80000;
constexpr std::uint32_t kMaximumAllowed = 0x02000000;
constexpr std::uint32_t kAllAccess = 0xF003F;

// Calls `visit` with each name of a registry path. Paths use "\" only; empty pieces
// ("a\\b", a trailing "\") are ignored as Windows ignores them. Stops early when `visit`
// returns false; gives whether it went through.
template <typename Visit>
bool ForEachName(std::string_view path, Visit visit) {
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start && !visit(path.substr(start, end - start)))
            return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

struct FakeRegistry::Key {
    std::string name;
    Key* parent = nullptr;
    std::vector<std::shared_ptr<Key>> subkeys;             // in name order
    std::vector<std::pair<std::string, RegValue>> values;  // in creation order
    bool deleted = false;
    bool denyWrite = false;

    auto Position(std::string_view subName) const {
        return std::lower_bound(subkeys.begin(), subkeys.end(), subName,
                                [](const std::shared_ptr<Key>& k, std::string_view n) {
                                    return text::LessNoCase(k->name, n);
                                });
    }

    const std::shared_ptr<Key>* Sub(std::string_view subName) const {
        const auto at = Position(subName);
        if (at != subkeys.end() && text::EqualNoCase((*at)->name, subName))
            return &*at;
        return nullptr;
    }

    const std::shared_ptr<Key>* AddSub(std::string_view subName) {
        auto sub = std::make_shared<Key>();
        sub->name = std::string(subName);
        sub->parent = this;
        return &*subkeys.insert(Position(subName), std::move(sub));
    }

    void RemoveSub(const Key* sub) {
        const auto it = std::find_if(subkeys.begin(), subkeys.end(),
                                     [&](const auto& k) { return k.get() == sub; });
        if (it != subkeys.end()) {
            (*it)->parent = nullptr;
            subkeys.erase(it);
        }
    }

    auto FindValue(std::string_view valueName) {
        return std::find_if(values.begin(), values.end(),
                            [&](const auto& v) { return text::EqualNoCase(v.first, valueName); });
    }

    bool WriteDenied() const {
        for (const Key* key = this; key != nullptr; key = key->parent)
            if (key->denyWrite)
                return true;
        return false;
    }
};

FakeRegistry::FakeRegistry(Faults& faults)
    : faults_(faults), localMachine_(std::make_shared<Key>()) {
    localMachine_->name = "HKEY_LOCAL_MACHINE";
    localMachineRoot_ = OpenHandle{localMachine_, kAllAccess};
    currentUserRoot_ = OpenHandle{std::make_shared<Key>(), kAllAccess};
    currentUserRoot_.key->name = "HKEY_CURRENT_USER";
    classesRoot_ = OpenHandle{MakeKeys(RegRoot::LocalMachine, "SOFTWARE\\Classes"), kAllAccess};
}

FakeRegistry::~FakeRegistry() = default;

std::shared_ptr<FakeRegistry::Key> FakeRegistry::RootKey(RegRoot root) const {
    switch (root) {
        case RegRoot::LocalMachine:
            return localMachine_;
        case RegRoot::CurrentUser:
            return currentUserRoot_.key;
        case RegRoot::ClassesRoot:
            break;
    }
    return classesRoot_.key;
}

std::shared_ptr<FakeRegistry::Key> FakeRegistry::FindKey(RegRoot root,
                                                         const std::string& path) const {
    std::shared_ptr<Key> key = RootKey(root);
    const bool found = ForEachName(path, [&](std::string_view name) {
        const std::shared_ptr<Key>* sub = key->Sub(name);
        if (sub != nullptr)
            key = *sub;
        return sub != nullptr;
    });
    return found ? key : nullptr;
}

std::shared_ptr<FakeRegistry::Key> FakeRegistry::MakeKeys(RegRoot root, const std::string& path) {
    std::shared_ptr<Key> key = RootKey(root);
    ForEachName(path, [&](std::string_view name) {
        const std::shared_ptr<Key>* sub = key->Sub(name);
        key = sub != nullptr ? *sub : *key->AddSub(name);
        return true;
    });
    return key;
}

const FakeRegistry::OpenHandle* FakeRegistry::Lookup(Handle handle) const {
    if (handle == kLocalMachineHandle)
        return &localMachineRoot_;
    if (handle == kClassesRootHandle)
        return &classesRoot_;
    if (handle == kCurrentUserHandle)
        return &currentUserRoot_;
    const auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : &it->second;
}

// The key behind an open handle, if the handle was opened with `access` and its key still exists.
ErrorCode FakeRegistry::Usable(Handle handle, std::uint32_t access, Key*& key) const {
    const OpenHandle* open = Lookup(handle);
    if (open == nullptr)
        return error::kInvalidHandle;
    if ((open->access & access) == 0)
        return error::kAccessDenied;
    if (open->key->deleted)
        return error::kKeyDeleted;
    key = open->key.get();
    return error::kSuccess;
}

Handle FakeRegistry::NewHandle(std::shared_ptr<Key> key, std::uint32_t access) {
    const Handle handle = nextHandle_;
    nextHandle_ += 4;
    handles_[handle] = OpenHandle{std::move(key), access};
    return handle;
}

ErrorCode FakeRegistry::Open(Handle parent, const std::string& path, std::uint32_t access,
                             bool create, Handle& key) {
    const OpenHandle* from = Lookup(parent);
    if (from == nullptr)
        return error::kInvalidHandle;
    if (!path.empty() && path.front() == '\\')
        return kErrorBadPathname;
    if (from->key->deleted)
        return error::kKeyDeleted;

    if (IsRootHandle(parent) && ForEachName(path, [](std::string_view) { return false; })) {
        key = parent;  // an empty path: Windows hands back the root itself
        return error::kSuccess;
    }
    const std::shared_ptr<Key>* current = &from->key;
    ErrorCode failed = error::kSuccess;
    ForEachName(path, [&](std::string_view name) {
        const std::shared_ptr<Key>* sub = (*current)->Sub(name);
        if (sub == nullptr) {
            if (!create)
                failed = error::kFileNotFound;
            else if ((*current)->WriteDenied())
                failed = error::kAccessDenied;
            else
                sub = (*current)->AddSub(name);
        }
        if (sub != nullptr)
            current = sub;
        return failed == error::kSuccess;
    });
    if (failed != error::kSuccess)
        return failed;
    if ((access & kMaximumAllowed) != 0)
        access = (*current)->WriteDenied() ? platform::regaccess::kRead : kAllAccess;
    else if ((access & kWriteBits) != 0 && (*current)->WriteDenied())
        return error::kAccessDenied;
    key = NewHandle(*current, access);
    return error::kSuccess;
}

// --- The interface ---

Handle FakeRegistry::Root(RegRoot root) {
    faults_.Enter(op::kRoot);
    switch (root) {
        case RegRoot::LocalMachine:
            return kLocalMachineHandle;
        case RegRoot::CurrentUser:
            return kCurrentUserHandle;
        case RegRoot::ClassesRoot:
            break;
    }
    return kClassesRootHandle;
}

ErrorCode FakeRegistry::OpenKey(Handle parent, const std::string& path, std::uint32_t access,
                                Handle& key) {
    key = platform::kNoHandle;
    if (auto failure = faults_.Enter(op::kOpenKey, path))
        return *failure;
    return Open(parent, path, access, false, key);
}

ErrorCode FakeRegistry::OpenKeyDefault(Handle parent, const std::string& path, Handle& key) {
    key = platform::kNoHandle;
    if (auto failure = faults_.Enter(op::kOpenKeyDefault, path))
        return *failure;
    return Open(parent, path, kMaximumAllowed, false, key);
}

ErrorCode FakeRegistry::CreateKey(Handle parent, const std::string& path, std::uint32_t access,
                                  Handle& key) {
    key = platform::kNoHandle;
    if (auto failure = faults_.Enter(op::kCreateKey, path))
        return *failure;
    return Open(parent, path, access, true, key);
}

ErrorCode FakeRegistry::CloseKey(Handle key) {
    if (auto failure = faults_.Enter(op::kCloseKey))
        return *failure;
    if (IsRootHandle(key))
        return error::kSuccess;
    return handles_.erase(key) == 1 ? error::kSuccess : error::kInvalidHandle;
}

ErrorCode FakeRegistry::EnumKey(Handle key, std::uint32_t index, std::size_t nameBufferSize,
                                std::string& name) {
    if (auto failure = faults_.Enter(op::kEnumKey))
        return *failure;
    Key* node = nullptr;
    if (const ErrorCode refused = Usable(key, kEnumerateSubKeys, node); refused != error::kSuccess)
        return refused;
    if (index >= node->subkeys.size())
        return error::kNoMoreItems;
    const std::string& found = node->subkeys[index]->name;
    if (text::Utf16Length(found) + 1 > nameBufferSize)
        return error::kMoreData;
    name = found;
    return error::kSuccess;
}

ErrorCode FakeRegistry::EnumValue(Handle key, std::uint32_t index, std::size_t nameBufferSize,
                                  std::size_t dataBufferSize, std::string& name, RegValue& value) {
    value = RegValue{};
    if (auto failure = faults_.Enter(op::kEnumValue))
        return *failure;
    Key* node = nullptr;
    if (const ErrorCode refused = Usable(key, kQueryValue, node); refused != error::kSuccess)
        return refused;
    if (index >= node->values.size())
        return error::kNoMoreItems;
    const auto& [foundName, foundValue] = node->values[index];
    if (text::Utf16Length(foundName) + 1 > nameBufferSize ||
        platform::DataLength(foundValue) > dataBufferSize)
        return error::kMoreData;
    name = foundName;
    value = foundValue;
    return error::kSuccess;
}

ErrorCode FakeRegistry::QueryInfoKey(Handle key, platform::RegKeyInfo& info) {
    info = platform::RegKeyInfo{};
    if (auto failure = faults_.Enter(op::kQueryInfoKey))
        return *failure;
    Key* node = nullptr;
    if (const ErrorCode refused = Usable(key, kQueryValue, node); refused != error::kSuccess)
        return refused;
    info.subKeys = static_cast<std::uint32_t>(node->subkeys.size());
    info.values = static_cast<std::uint32_t>(node->values.size());
    for (const auto& [valueName, value] : node->values) {
        info.maxValueNameLength = std::max(
            info.maxValueNameLength, static_cast<std::uint32_t>(text::Utf16Length(valueName)));
        info.maxValueDataLength = std::max(info.maxValueDataLength,
                                           static_cast<std::uint32_t>(platform::DataLength(value)));
    }
    return error::kSuccess;
}

ErrorCode FakeRegistry::QueryValue(Handle key, const std::string& name, std::size_t dataBufferSize,
                                   RegValue& value) {
    value = RegValue{};
    if (auto failure = faults_.Enter(op::kQueryValue, name))
        return *failure;
    Key* node = nullptr;
    if (const ErrorCode refused = Usable(key, kQueryValue, node); refused != error::kSuccess)
        return refused;
    const auto found = node->FindValue(name);
    if (found == node->values.end())
        return error::kFileNotFound;
    if (platform::DataLength(found->second) > dataBufferSize)
        return error::kMoreData;
    value = found->second;
    return error::kSuccess;
}

ErrorCode FakeRegistry::SetValue(Handle key, const std::string& name, const RegValue& value) {
    if (auto failure = faults_.Enter(op::kSetValue, name))
        return *failure;
    Key* node = nullptr;
    if (const ErrorCode refused = Usable(key, kSetValue, node); refused != error::kSuccess)
        return refused;
    const auto found = node->FindValue(name);
    if (found != node->values.end())
        found->second = value;  // keeps its place and its first spelling
    else
        node->values.emplace_back(name, value);
    return error::kSuccess;
}

ErrorCode FakeRegistry::DeleteKey(Handle parent, const std::string& path) {
    if (auto failure = faults_.Enter(op::kDeleteKey, path))
        return *failure;
    const OpenHandle* from = Lookup(parent);
    if (from == nullptr)
        return error::kInvalidHandle;
    if (!path.empty() && path.front() == '\\')
        return kErrorBadPathname;
    if (from->key->deleted)
        return error::kKeyDeleted;
    std::shared_ptr<Key> key = from->key;
    const bool found = ForEachName(path, [&](std::string_view name) {
        const std::shared_ptr<Key>* sub = key->Sub(name);
        if (sub != nullptr)
            key = *sub;
        return sub != nullptr;
    });
    if (!found)
        return error::kFileNotFound;
    if (key->parent == nullptr || key == RootKey(RegRoot::ClassesRoot))
        return error::kAccessDenied;  // a root
    if (!key->subkeys.empty() || key->WriteDenied())
        return error::kAccessDenied;
    key->deleted = true;
    key->parent->RemoveSub(key.get());
    return error::kSuccess;
}

ErrorCode FakeRegistry::DeleteValue(Handle key, const std::string& name) {
    if (auto failure = faults_.Enter(op::kDeleteValue, name))
        return *failure;
    Key* node = nullptr;
    if (const ErrorCode refused = Usable(key, kSetValue, node); refused != error::kSuccess)
        return refused;
    const auto found = node->FindValue(name);
    if (found == node->values.end())
        return error::kFileNotFound;
    node->values.erase(found);
    return error::kSuccess;
}

// --- Test set-up and assertions ---

void FakeRegistry::AddKey(RegRoot root, const std::string& path) {
    MakeKeys(root, path);
}

void FakeRegistry::Set(RegRoot root, const std::string& path, const std::string& name,
                       const RegValue& value) {
    std::shared_ptr<Key> key = MakeKeys(root, path);
    const auto found = key->FindValue(name);
    if (found != key->values.end())
        found->second = value;
    else
        key->values.emplace_back(name, value);
}

void FakeRegistry::SetText(RegRoot root, const std::string& path, const std::string& name,
                           const std::string& textValue) {
    Set(root, path, name, platform::StringValue(textValue));
}

void FakeRegistry::SetDword(RegRoot root, const std::string& path, const std::string& name,
                            std::uint32_t number) {
    Set(root, path, name, platform::DwordValue(number));
}

void FakeRegistry::RemoveKey(RegRoot root, const std::string& path) {
    std::shared_ptr<Key> key = FindKey(root, path);
    if (!key || key->parent == nullptr)
        return;
    struct Marker {
        static void Mark(Key& k) {
            k.deleted = true;
            for (auto& sub : k.subkeys)
                Mark(*sub);
        }
    };
    Marker::Mark(*key);
    key->parent->RemoveSub(key.get());
}

void FakeRegistry::DenyWrite(RegRoot root, const std::string& path) {
    MakeKeys(root, path)->denyWrite = true;
}

bool FakeRegistry::KeyExists(RegRoot root, const std::string& path) const {
    return FindKey(root, path) != nullptr;
}

std::optional<RegValue> FakeRegistry::Get(RegRoot root, const std::string& path,
                                          const std::string& name) const {
    std::shared_ptr<Key> key = FindKey(root, path);
    if (!key)
        return std::nullopt;
    const auto found = key->FindValue(name);
    if (found == key->values.end())
        return std::nullopt;
    return found->second;
}

std::optional<std::string> FakeRegistry::GetText(RegRoot root, const std::string& path,
                                                 const std::string& name) const {
    const auto value = Get(root, path, name);
    if (!value)
        return std::nullopt;
    return platform::ValueText(*value);
}

std::vector<std::string> FakeRegistry::SubkeyNames(RegRoot root, const std::string& path) const {
    std::vector<std::string> names;
    if (std::shared_ptr<Key> key = FindKey(root, path))
        for (const auto& sub : key->subkeys)
            names.push_back(sub->name);
    return names;
}

std::vector<std::string> FakeRegistry::ValueNames(RegRoot root, const std::string& path) const {
    std::vector<std::string> names;
    if (std::shared_ptr<Key> key = FindKey(root, path))
        for (const auto& [name, value] : key->values)
            names.push_back(name);
    return names;
}

std::string FakeRegistry::Dump(RegRoot root, const std::string& path) const {
    std::string out;
    struct Printer {
        std::string& out;
        void Print(const Key& key, const std::string& indent) {
            out += indent + key.name + "\n";
            for (const auto& [name, value] : key.values) {
                out += indent + "  \"" + name + "\" type " + std::to_string(value.type) + " = ";
                const bool isText = value.type == platform::regtype::kString ||
                                    value.type == platform::regtype::kExpandString;
                if (isText) {
                    out += "\"" + platform::ValueText(value) + "\"";
                } else {
                    char hex[4];
                    for (std::uint8_t byte : value.data) {
                        std::snprintf(hex, sizeof hex, "%02X ", byte);
                        out += hex;
                    }
                }
                out += "\n";
            }
            for (const auto& sub : key.subkeys)
                Print(*sub, indent + "  ");
        }
    };
    if (std::shared_ptr<Key> key = FindKey(root, path))
        Printer{out}.Print(*key, "");
    return out;
}

}  // namespace velnora::fake

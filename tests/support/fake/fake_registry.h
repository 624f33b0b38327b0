// The in-memory registry: the local-machine root, the classes root (a view of
// HKLM\SOFTWARE\Classes, as on Windows) and the current user's root, keys and values with the
// results Windows gives. Names match without regard to case and come back as created. Values are
// enumerated in the order they were created; subkeys in name order without regard to case, as the
// registry keeps them. Handles keep a deleted key alive: calls on them give kKeyDeleted.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fake/faults.h"
#include "platform/registry.h"

namespace velnora::fake {

class FakeRegistry final : public platform::Registry {
  public:
    explicit FakeRegistry(Faults& faults);
    ~FakeRegistry() override;

    platform::Handle Root(platform::RegRoot root) override;
    platform::ErrorCode OpenKey(platform::Handle parent, const std::string& path,
                                std::uint32_t access, platform::Handle& key) override;
    platform::ErrorCode OpenKeyDefault(platform::Handle parent, const std::string& path,
                                       platform::Handle& key) override;
    platform::ErrorCode CreateKey(platform::Handle parent, const std::string& path,
                                  std::uint32_t access, platform::Handle& key) override;
    platform::ErrorCode CloseKey(platform::Handle key) override;
    platform::ErrorCode EnumKey(platform::Handle key, std::uint32_t index,
                                std::size_t nameBufferSize, std::string& name) override;
    platform::ErrorCode EnumValue(platform::Handle key, std::uint32_t index,
                                  std::size_t nameBufferSize, std::size_t dataBufferSize,
                                  std::string& name, platform::RegValue& value) override;
    platform::ErrorCode QueryInfoKey(platform::Handle key, platform::RegKeyInfo& info) override;
    platform::ErrorCode QueryValue(platform::Handle key, const std::string& name,
                                   std::size_t dataBufferSize, platform::RegValue& value) override;
    platform::ErrorCode SetValue(platform::Handle key, const std::string& name,
                                 const platform::RegValue& value) override;
    platform::ErrorCode DeleteKey(platform::Handle parent, const std::string& path) override;
    platform::ErrorCode DeleteValue(platform::Handle key, const std::string& name) override;

    // --- Test set-up and assertions (no fault injection, not logged) ---

    void AddKey(platform::RegRoot root, const std::string& path);
    // Creates the key path as needed.
    void Set(platform::RegRoot root, const std::string& path, const std::string& name,
             const platform::RegValue& value);
    void SetText(platform::RegRoot root, const std::string& path, const std::string& name,
                 const std::string& text);
    void SetDword(platform::RegRoot root, const std::string& path, const std::string& name,
                  std::uint32_t number);
    // Removes a key with everything below it.
    void RemoveKey(platform::RegRoot root, const std::string& path);
    // Opening the key (or creating below it) with any write access, and deleting it, are
    // refused with kAccessDenied, as for a user without rights.
    void DenyWrite(platform::RegRoot root, const std::string& path);

    bool KeyExists(platform::RegRoot root, const std::string& path) const;
    std::optional<platform::RegValue> Get(platform::RegRoot root, const std::string& path,
                                          const std::string& name) const;
    // A text value's text (up to its first zero), nothing when missing.
    std::optional<std::string> GetText(platform::RegRoot root, const std::string& path,
                                       const std::string& name) const;
    std::vector<std::string> SubkeyNames(platform::RegRoot root, const std::string& path) const;
    std::vector<std::string> ValueNames(platform::RegRoot root, const std::string& path) const;
    // The key and everything below it as indented text, for assertion messages.
    std::string Dump(platform::RegRoot root, const std::string& path) const;
    // Keys opened or created and not closed yet.
    std::size_t OpenKeyCount() const { return handles_.size(); }

  private:
    struct Key;
    struct OpenHandle {
        std::shared_ptr<Key> key;
        std::uint32_t access = 0;
    };

    std::shared_ptr<Key> RootKey(platform::RegRoot root) const;
    std::shared_ptr<Key> FindKey(platform::RegRoot root, const std::string& path) const;
    std::shared_ptr<Key> MakeKeys(platform::RegRoot root, const std::string& path);
    const OpenHandle* Lookup(platform::Handle handle) const;
    platform::ErrorCode Usable(platform::Handle handle, std::uint32_t access, Key*& key) const;
    platform::ErrorCode Open(platform::Handle parent, const std::string& path, std::uint32_t access,
                             bool create, platform::Handle& key);
    platform::Handle NewHandle(std::shared_ptr<Key> key, std::uint32_t access);

    Faults& faults_;
    std::shared_ptr<Key> localMachine_;
    OpenHandle localMachineRoot_;
    OpenHandle classesRoot_;  // HKLM\SOFTWARE\Classes
    OpenHandle currentUserRoot_;
    std::map<platform::Handle, OpenHandle> handles_;
    platform::Handle nextHandle_ = 0x1000;
};

}  // namespace velnora::fake

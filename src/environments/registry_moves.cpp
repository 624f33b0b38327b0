#include "environments/registry_moves.h"

#include <cstdint>

#include "environments/context.h"
#include "environments/move_support.h"

namespace velnora::environments {

namespace {

using platform::error::kSuccess;

constexpr char kMakerKey[] = "SOFTWARE\\Orvessa";
constexpr char kTidewatchKey[] = "SOFTWARE\\Orvessa\\Tidewatch";
constexpr char kClientInfoValue[] = "ClientInfo";
constexpr char kAssociationClass[] = "VTX_Workspace";

std::string ParkedTidewatchKey(const std::string& parkedName) {
    return std::string(kMakerKey) + "\\" + parkedName + "Tidewatch";
}

// Opens a key for reading. Only a key that is not there counts as missing; any other failure
// leaves the move unable to tell and fails it.
enum class Opened { kOpen, kMissing, kFailed };
Opened OpenForReading(platform::Handle root, const std::string& path, platform::RegKey& key) {
    const platform::ErrorCode result = key.Open(root, path, platform::regaccess::kRead);
    if (result == kSuccess)
        return Opened::kOpen;
    return result == platform::error::kFileNotFound ? Opened::kMissing : Opened::kFailed;
}

// Writes the source's "ClientInfo" (if any) to the target. False when the source could not be
// read to its end or the write failed: the caller then keeps the source.
bool CopyClientInfo(platform::Registry& registry, platform::Handle source,
                    platform::Handle target) {
    for (std::uint32_t index = 0;; ++index) {
        std::string name;
        platform::RegValue value;
        const platform::ErrorCode read = EnumWholeValue(registry, source, index, name, value);
        if (read == platform::error::kNoMoreItems)
            return true;
        if (read != kSuccess)
            return false;
        if (name == kClientInfoValue && registry.SetValue(target, name, value) != kSuccess)
            return false;
    }
}

// Where the maker's key or the source key is missing there is nothing to move: the target key
// is made so that the move back finds one.
bool MoveClientInfo(platform::Registry& registry, const std::string& sourcePath,
                    const std::string& targetPath, bool deleteSourceKey) {
    const platform::Handle machine = registry.Root(platform::RegRoot::LocalMachine);

    {
        platform::RegKey source(registry);
        Opened opened = OpenForReading(machine, kMakerKey, source);
        source.Close();
        if (opened == Opened::kOpen)
            opened = OpenForReading(machine, sourcePath, source);
        switch (opened) {
            case Opened::kFailed:
                return false;
            case Opened::kMissing:
                return CreateAndCloseKey(registry, machine, targetPath);
            case Opened::kOpen:
                break;
        }
        platform::RegKey target(registry);
        if (target.Create(machine, targetPath, platform::regaccess::kWrite) != kSuccess)
            return false;
        if (!CopyClientInfo(registry, source.Get(), target.Get()))
            return false;
    }

    if (deleteSourceKey)
        return registry.DeleteKey(machine, sourcePath) == kSuccess;

    // The live key keeps Tidewatch's own values; only "ClientInfo" leaves it.
    platform::RegKey live(registry);
    if (live.Open(machine, sourcePath, platform::regaccess::kWrite) != kSuccess)
        return false;
    const platform::ErrorCode deleted = registry.DeleteValue(live.Get(), kClientInfoValue);
    return deleted == kSuccess || deleted == platform::error::kFileNotFound;
}

std::string AssociationSuffix(const std::string& keyName) {
    return keyName == core::kVantorixProductGuid ? std::string() : keyName;
}

std::string AssociationKey(const std::string& keyName, const std::string& subkey) {
    return kAssociationClass + AssociationSuffix(keyName) + subkey;
}

// Like AssociationExists, but a key that cannot be opened for another reason than its absence
// leaves the answer open: skipping the move then would leave the association behind to be
// overwritten by the next environment's.
Opened ProbeAssociation(platform::Registry& registry, const std::string& keyName) {
    const platform::Handle classes = registry.Root(platform::RegRoot::ClassesRoot);
    for (const char* subkey : {"", kAssociationIconKey, kAssociationCommandKey}) {
        platform::RegKey key(registry);
        const Opened opened = OpenForReading(classes, AssociationKey(keyName, subkey), key);
        if (opened != Opened::kOpen)
            return opened;
    }
    return Opened::kOpen;
}

}  // namespace

bool DeactivateTidewatchRegistration(Context& context, const std::string& parkedName,
                                     core::Notices&) {
    return MoveClientInfo(context.platform.registry, kTidewatchKey, ParkedTidewatchKey(parkedName),
                          false);
}

bool ActivateTidewatchRegistration(Context& context, const std::string& parkedName,
                                   core::Notices&) {
    return MoveClientInfo(context.platform.registry, ParkedTidewatchKey(parkedName), kTidewatchKey,
                          true);
}

bool TidewatchRegistrationAt(Context& context, const std::string& keyName) {
    auto& registry = context.platform.registry;
    const platform::Handle machine = registry.Root(platform::RegRoot::LocalMachine);
    const bool live = keyName == core::kVantorixProductGuid;
    platform::RegKey key(registry);
    const Opened opened =
        OpenForReading(machine, live ? kTidewatchKey : ParkedTidewatchKey(keyName), key);
    if (opened != Opened::kOpen || !live)
        return opened != Opened::kMissing;
    platform::RegValue value;
    return registry.QueryValue(key.Get(), kClientInfoValue, kValueDataBuffer, value) !=
           platform::error::kFileNotFound;
}

bool AssociationAt(Context& context, const std::string& keyName) {
    auto& registry = context.platform.registry;
    platform::RegKey key(registry);
    return OpenForReading(registry.Root(platform::RegRoot::ClassesRoot),
                          AssociationKey(keyName, ""), key) != Opened::kMissing;
}

bool AssociationExists(core::Context& context, const std::string& keyName) {
    return ProbeAssociation(context.platform.registry, keyName) == Opened::kOpen;
}

bool CopyAssociationKey(platform::Registry& registry, const std::string& subkey,
                        AssociationDirection direction, const std::string& parkedName) {
    const platform::Handle classes = registry.Root(platform::RegRoot::ClassesRoot);
    const std::string live = AssociationKey(core::kVantorixProductGuid, subkey);
    const std::string parked = AssociationKey(parkedName, subkey);
    const bool toParked = direction == AssociationDirection::kLiveToParked;

    platform::RegKey source(registry);
    if (source.Open(classes, toParked ? live : parked, platform::regaccess::kRead) != kSuccess)
        return false;
    platform::RegKey target(registry);
    if (target.Create(classes, toParked ? parked : live, platform::regaccess::kWrite) != kSuccess)
        return false;
    // Every value must arrive: the source is deleted later on the strength of this result.
    for (std::uint32_t index = 0;; ++index) {
        std::string name;
        platform::RegValue value;
        const platform::ErrorCode read = EnumWholeValue(registry, source.Get(), index, name, value);
        if (read == platform::error::kNoMoreItems)
            return true;
        if (read != kSuccess || registry.SetValue(target.Get(), name, value) != kSuccess)
            return false;
    }
}

bool DeleteAssociation(platform::Registry& registry, const std::string& keyName) {
    const platform::Handle classes = registry.Root(platform::RegRoot::ClassesRoot);
    for (const char* subkey :
         {kAssociationIconKey, kAssociationCommandKey, "\\shell\\open", "\\shell", ""}) {
        if (registry.DeleteKey(classes, AssociationKey(keyName, subkey)) != kSuccess)
            return false;
    }
    return true;
}

bool CopyAssociation(core::Context& context, AssociationDirection direction,
                     const std::string& parkedName) {
    const bool toParked = direction == AssociationDirection::kLiveToParked;
    switch (ProbeAssociation(context.platform.registry,
                             toParked ? core::kVantorixProductGuid : parkedName)) {
        case Opened::kFailed:
            return false;
        case Opened::kMissing:
            return true;
        case Opened::kOpen:
            break;
    }
    const bool icon =
        CopyAssociationKey(context.platform.registry, kAssociationIconKey, direction, parkedName);
    const bool command = CopyAssociationKey(context.platform.registry, kAssociationCommandKey,
                                            direction, parkedName);
    return icon && command;
}

void DropMovedAssociation(core::Context& context, const std::string& sourceName,
                          const std::string& targetName) {
    if (AssociationExists(context, sourceName) && AssociationExists(context, targetName))
        DeleteAssociation(context.platform.registry, sourceName);
}

}  // namespace velnora::environments

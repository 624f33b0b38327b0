// Tidewatch, the maker's update companion. It holds the active environment's data folder and
// registration, so it is ended before environments are switched, installed or uninstalled, and
// started again afterwards when the environment that is then active had it running. Whether it
// ran is kept in each environment's uninstall entry, so the flag travels with the environment.
#pragma once

#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace velnora::core {
struct Context;
}

namespace velnora::environments {

struct Context;

inline constexpr char kTidewatchKey[] = "SOFTWARE\\Orvessa\\Tidewatch";
inline constexpr char kTidewatchEnableValue[] = "TidewatchEnable";
inline constexpr char kTidewatchLinkName[] = "Orvessa Tidewatch.lnk";

// A value of Tidewatch's key ("Location": its program file). A missing key or value gives an
// empty text; false only when the key is there but cannot be opened.
bool ReadTidewatchSetting(platform::Registry& registry, const std::string& name, std::string& out);

// Sets the context's Tidewatch program name from "Location" ("Tidewatch.exe" when empty).
bool RefreshTidewatchProgramName(Context& context);

// The active entry's "TidewatchEnable": only its lowest byte counts.
bool ReadTidewatchEnable(platform::Registry& registry, std::uint32_t& enabled);
// Writes it; true without writing when there is no active environment.
bool WriteTidewatchEnable(platform::Registry& registry, std::uint32_t enabled);

// Process look-ups by program file name (without folder, letter case ignored), with the
// process-enumeration method chosen at start-up. EndProgram ends the first match only and does
// not wait for it to go.
bool IsProgramRunning(Context& context, const std::string& fileName);
bool EndProgram(Context& context, const std::string& fileName);

// Ends a running Tidewatch and records in the active entry whether it ran. False: the caller
// must not go on, Tidewatch may still hold what it would move.
bool StopTidewatch(Context& context);

// Did the now active environment have Tidewatch running, and is its program still there? A
// vanished program resets the flag.
bool ShouldStartTidewatch(core::Context& context);

// Writes the startup shortcut and starts Tidewatch through it. False only when the Startup
// folder cannot be created or "Location" cannot be read.
bool StartTidewatch(core::Context& context);

}  // namespace velnora::environments

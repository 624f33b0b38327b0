// The user information and the chosen destination folder, handed to the vendor installers
// through the live tool record.
#pragma once

namespace velnora::core {
struct Context;
}

namespace velnora::environments {

// Writes the user information, and a destination folder chosen since the last run, into the
// live Vtx2Inst.ini; the folder is handed over once. False, after saying so, when the Windows
// folder is missing.
bool RecordUserInformation(core::Context& context);

}  // namespace velnora::environments

// The user's information for the vendor installers: loaded once from [UserInfo] of the
// settings file, and written with a pending destination folder into the tool record just before
// the installers run, so that they need not ask for either.
#pragma once

#include <string>

#include "core/notice.h"
#include "core/texts.h"

namespace velnora::core {
struct Context;
}

namespace velnora::environments {

inline constexpr char kUserInfoSection[] = "UserInfo";
inline constexpr char kUserInformationSection[] = "UserInformation_Common";
inline constexpr char kInstallDirectorySection[] = "Install Directory";
inline constexpr char kInstallTypeSection[] = "Install Type";

// Reads the seven [UserInfo] values of the settings file; a missing one reads as empty.
void LoadUserInformation(core::Context& context);

// Writes the user information, and the destination folder when one is pending (which is then
// consumed), into the live Vtx2Inst.ini. Only these keys are written; every other line of the
// file stays as it was. False, with a notice for the user, when the Windows folder cannot be
// found (the pending folder is dropped) or a key cannot be written (the pending folder stays
// pending).
bool RecordUserInformation(core::Context& context, core::Notices& notices);

}  // namespace velnora::environments

// Which of the two process-listing interfaces this Windows offers, found once per run: PSAPI on
// the NT family below version 5, the toolhelp functions everywhere else.
#pragma once

#include "core/notice.h"

namespace velnora::environments {

struct Context;

struct ProcessApi {
    // Set once the functions were found; they are never looked up again.
    bool loaded = false;
    bool usePsapi = false;
};

// Finds the process-enumeration functions: PSAPI on the NT family below version 5, the
// toolhelp functions of Kernel32 (and SHGetSpecialFolderPathW of Shell32) everywhere else.
// On failure adds a notice of what is missing, with the program's base name as caption, and
// returns false.
bool LoadProcessApi(Context& context, core::Notices& notices);

// The same, unless an earlier call has found them.
bool EnsureProcessApi(Context& context, core::Notices& notices);

}  // namespace velnora::environments

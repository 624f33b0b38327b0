// What the environments layer keeps for one program run, beside the program-wide context: the
// installed environments as the last enumeration found them, what the last look-up learnt of
// the active one, the process-listing interface Tidewatch is found with, and Tidewatch's
// program name.
#pragma once

#include <string>

#include "core/context.h"
#include "environments/environment_table.h"
#include "environments/process_api.h"

namespace velnora::environments {

struct Context : core::Context {
    using core::Context::Context;

    EnvironmentTable environments;
    // Kept across look-ups: a look-up that fails leaves what the last one learnt, and the
    // moves of a switch go on with it.
    ActiveEnvironmentCache active;
    ProcessApi processApi;
    // File name of the Tidewatch program, as its process shows it.
    std::string tidewatchProgramName = "Tidewatch.exe";
};

}  // namespace velnora::environments

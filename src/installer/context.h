// What the installer layer keeps for one program run, over the environments' context: the
// catalogue of the medium and the flags of the installer that runs.
#pragma once

#include <cstdint>
#include <string>

#include "environments/context.h"
#include "installer/catalogue.h"

namespace velnora::installer {

// The flags of installer execution and the run sequence.
struct RunFlags {
    // The installer path, in the list form followed by one blank and the entry's options.
    std::string installerCommand;
    // An installer process has ended; read by the installer page when it closes.
    bool installerFinished = false;
    // Windows began to end the logon while the installer page was open.
    bool shutdownNoticed = false;
    std::string prevInstaller;  // at most 299 characters
    // Half-second polls spent waiting for a previous installer; never reset.
    std::uint32_t waitPolls = 0;
};

// The installer page's end-of-session handlers (query and end) call this.
inline void NoteEndOfSession(RunFlags& flags) {
    flags.shutdownNoticed = true;
}

// A new installer page starts with neither flag set.
inline void ResetForInstallerPage(RunFlags& flags) {
    flags.installerFinished = false;
    flags.shutdownNoticed = false;
}

struct Context : environments::Context {
    using environments::Context::Context;

    InstallerCatalogue catalogue;
    RunFlags run;
};

}  // namespace velnora::installer

// Process-wide flags of installer execution and the run sequence.
#pragma once

#include <cstdint>
#include <string>

namespace velnora::core {

// The installer's state, kept in the context for now: Tidewatch's search in environments/, below
// the installer, reads usePsapi, so these flags leave the context with its split.
struct ExecutionState {
    // Set once the process-enumeration functions were found; they are never looked up again.
    bool processApiLoaded = false;
    // PSAPI on the NT family below version 5, the toolhelp functions everywhere else.
    bool usePsapi = false;
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
inline void NoteEndOfSession(ExecutionState& state) {
    state.shutdownNoticed = true;
}

// A new installer page starts with neither flag set.
inline void ResetForInstallerPage(ExecutionState& state) {
    state.installerFinished = false;
    state.shutdownNoticed = false;
}

}  // namespace velnora::core

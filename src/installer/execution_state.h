// Process-wide flags of installer execution and the run sequence.
#pragma once

#include <string>

namespace velnora::installer {

struct ExecutionState {
    bool processApiLoaded = false;
    bool usePsapi = false;
    std::string installerCommand;
    bool installerFinished = false;
    bool shutdownNoticed = false;
    std::string prevInstaller;  // at most 299 characters
};

}  // namespace velnora::installer

// What the installation medium's autorun.ini asks of a run, read the same way by the installer
// page and the console: which form the choice of installers takes and the run's options.
#pragma once

#include <string>

namespace velnora::core {
struct Context;
}

namespace velnora::installer {

struct Context;

struct InstallerForm {
    int form = 0;  // pageform::*
    // The single form: the full path of the installer autorun.ini names.
    std::string installerPath;
    // The entries shown and run: the catalogue's (at most the page's limit), 1 for a single
    // installer, 0 when the medium names none.
    int entryCount = 0;
    // bSkipSelectInstaller: the run starts without a choice.
    bool skipSelect = false;
};

// A medium without autorun.ini, or one whose single installer is missing, leaves the user to
// browse for a program.
InstallerForm ChooseInstallerForm(Context& context);

// The on-words of [General]: Quiet, NoMessage, QuitAfterInstall and Restart_PC.
struct RunOptions {
    bool quiet = false;
    bool noMessage = false;
    bool quitAfterInstall = false;
    bool restartPc = false;
};
RunOptions ReadRunOptions(core::Context& context);

}  // namespace velnora::installer

// The one door to the operating system: every service the programs use, bundled and handed
// down by reference. Nothing outside the platform layer reaches the OS any other way.
#pragma once

#include "platform/console.h"
#include "platform/dialog_page.h"
#include "platform/filesystem.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/session.h"
#include "platform/shell.h"
#include "platform/types.h"
#include "platform/user_interface.h"

namespace velnora::platform {

struct Platform {
    ProfileFiles& profile;
    Registry& registry;
    FileSystem& files;
    Processes& processes;
    Shell& shell;
    Session& session;
    UserInterface& ui;
    Console& console;
};

}  // namespace velnora::platform

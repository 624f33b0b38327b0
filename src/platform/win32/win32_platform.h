// The real platform: one of each Win32 service, bundled for the programs.
#pragma once

#include "platform/platform.h"
#include "platform/win32/win32_console.h"
#include "platform/win32/win32_filesystem.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_profile.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_session.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_user_interface.h"

namespace velnora::platform::win32 {

class Win32Platform {
  public:
    Win32Platform();
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    Platform& Get() { return platform_; }

  private:
    Win32ProfileFiles profile_;
    Win32Registry registry_;
    Win32FileSystem files_;
    Win32Processes processes_;
    Win32Shell shell_;
    Win32Session session_;
    Win32UserInterface ui_;
    Win32Console console_;
    Platform platform_;
};

}  // namespace velnora::platform::win32

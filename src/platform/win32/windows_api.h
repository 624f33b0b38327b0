// The Windows SDK as the Win32 services see it. Several SDK names are macros that would
// rename the services' own methods (MoveFile -> MoveFileW, ExitWindows(a, b), ...); they are
// removed here, and the services call the W functions by their full names.
#pragma once

#include <windows.h>

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#undef AbortSystemShutdown
#undef CopyFile
#undef CreateDirectory
#undef CreateMutex
#undef CreateProcess
#undef DeleteFile
#undef ExitWindows
#undef GetEnvironmentVariable
#undef GetLongPathName
#undef LoadLibrary
#undef MessageBox
#undef MoveFile
#undef PathFileExists
#undef PathIsDirectory
#undef PathRemoveFileSpec
#undef QueryDosDevice
#undef RemoveDirectory
#undef ShellExecute
#undef ShellExecuteEx

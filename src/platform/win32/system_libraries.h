// Libraries come from the system folder only. The programs run elevated from media that are
// often copied to folders any user can write to, and Windows looks for a library in the
// program's own folder first: a library placed there under a system library's name would run
// with the program's rights.
#pragma once

#include "platform/win32/windows_api.h"

namespace velnora::platform::win32 {

// Takes the program's folder and the current folder out of the search for every library the
// process loads by name from now on, the system's own loads included. Must come before any
// call that can load a library.
void RestrictLibrarySearch();

// The system library `fileName` ("version.dll") from the system folder, never from elsewhere;
// it stays loaded. Null when it is missing or `fileName` is not a bare file name.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

// An export of a system library loaded as above. Null when the library or the function is
// missing.
FARPROC FindExport(const wchar_t* library, const char* function);

template <typename Function>
Function FindFunction(const wchar_t* library, const char* function) {
    // Through the generic function type, which the compiler accepts as a cast target.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(FindExport(library, function)));
}

}  // namespace velnora::platform::win32

// Screenshots as test artefacts: 24-bit .bmp files in the artefacts folder (the Wine harness
// turns them into PNG when the run ends).
#pragma once

#include <windows.h>

#include <string>

namespace velnora::e2e {

// Saves the whole screen as `name`.bmp in ArtefactsFolder(); `name` may hold only letters,
// digits, '-', '_' and '.', anything else becomes '_'. Returns the file's path, or an
// empty text when nothing could be saved.
std::wstring SaveScreenshot(const std::wstring& name);
// Saves the part of the screen that `window` covers.
std::wstring SaveWindowScreenshot(HWND window, const std::wstring& name);

}  // namespace velnora::e2e

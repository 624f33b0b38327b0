// Presence tests of the start-up and the text sets.
#pragma once

#include <string>

#include "platform/filesystem.h"

namespace velnora::app {

// A file search on the exact path: true when it finds an entry of that name.
bool FileFoundBySearch(platform::FileSystem& files, const std::string& path);

}  // namespace velnora::app

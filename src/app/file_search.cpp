#include "app/file_search.h"

namespace velnora::app {

bool FileFoundBySearch(platform::FileSystem& files, const std::string& path) {
    platform::Handle find = platform::kNoHandle;
    platform::FindData data;
    if (files.FindFirst(path, find, data) != platform::error::kSuccess)
        return false;
    files.FindClose(find);
    return true;
}

}  // namespace velnora::app

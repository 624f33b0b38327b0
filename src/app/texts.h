// The two text sets of the programs, chosen once at start-up.
#pragma once

#include <string>

namespace velnora::app {

struct TextSet {
    bool useJapanese = false;
};

}  // namespace velnora::app

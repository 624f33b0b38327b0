// The run's watch of the engine tests: what it is told, in order.
#pragma once

#include <string>
#include <vector>

#include "installer/execution.h"

namespace velnora::testing {

class RecordingWatch : public installer::RunWatch {
  public:
    void Tell(const core::Notice& notice) override { told.push_back(notice); }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const core::Notice& notice : told)
            texts.push_back(notice.text);
        return texts;
    }
    std::vector<core::Notice> told;
};

}  // namespace velnora::testing

#include "driver/wait.h"

#include <windows.h>

namespace velnora::e2e {

bool WaitUntil(const std::function<bool()>& condition, Milliseconds timeout) {
    const Deadline deadline(timeout);
    for (;;) {
        if (condition()) {
            return true;
        }
        if (deadline.Passed()) {
            return false;
        }
        Sleep(static_cast<DWORD>(kPollInterval.count()));
    }
}

}  // namespace velnora::e2e

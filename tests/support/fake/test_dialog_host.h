// The in-memory dialog host of the tests: pages run on controls kept in memory, and a test
// scripts what the user does on each page that is opened.
#pragma once

#include "platform/dialog_page.h"

namespace velnora::fake {

class TestDialogHost {
public:
    int RunModal(platform::DialogPage& page, const platform::DialogPage* owner);
    bool OpenModeless(platform::DialogPage& page, const platform::DialogPage* owner);
    bool IsOpen(const platform::DialogPage* page) const;
    // WM_QUERYENDSESSION to every open page, innermost first; false when one refused.
    bool QueryEndSession();
    // WM_ENDSESSION to every open page.
    void EndSession(bool ending);
};

}  // namespace velnora::fake

// The dialog templates of the programs, read from the .rc source, so that the in-memory
// dialog host creates the same controls (kind, visibility, enabled state, default button) as
// the real dialog manager does.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/dialog_page.h"

namespace velnora::fake {

enum class ControlKind {
    kOther,
    kPushButton,
    kCheckBox,
    kRadioButton,
    kGroupBox,
    kEdit,
    kStatic,
    kPicture,
    kList,
    kTree,
    kCombo,
};

struct ControlTemplate {
    int id = 0;
    ControlKind kind = ControlKind::kOther;
    std::string text;
    platform::Rect rect;  // dialog units, as written
    bool visible = true;
    bool enabled = true;
    bool defaultButton = false;  // DEFPUSHBUTTON / BS_DEFPUSHBUTTON
    bool autoCheck = false;      // the button checks itself when clicked
    bool ownerData = false;      // LVS_OWNERDATA
    bool multiline = false;      // ES_MULTILINE
    bool readOnly = false;       // ES_READONLY
};

struct DialogTemplate {
    int id = 0;
    std::string caption;
    platform::Rect rect;
    bool visible = false;  // WS_VISIBLE: a modeless dialog shows itself
    std::vector<ControlTemplate> controls;

    const ControlTemplate* Find(int controlId) const;
};

class DialogTemplates {
  public:
    // Reads DIALOG and DIALOGEX resources; #define values come from the headers the file
    // includes. False (with `error`) when the file cannot be read or parsed.
    bool LoadRcFile(const std::string& path, std::string* error = nullptr);
    bool ParseRc(const std::string& text, const std::string& folder, std::string* error = nullptr);
    void Add(DialogTemplate dialog);
    const DialogTemplate* Find(int templateId) const;
    bool Empty() const { return dialogs_.empty(); }

    // The dialog templates of this source tree (src/resources/dialogs.rc), read once; empty
    // when the file cannot be read.
    static const DialogTemplates& Project();

  private:
    bool ReadDefines(const std::string& path);

    std::map<int, DialogTemplate> dialogs_;
    std::map<std::string, long> defines_;
};

}  // namespace velnora::fake

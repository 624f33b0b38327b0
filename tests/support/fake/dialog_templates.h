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

// Pixels per 4 dialog units across and per 8 down, as MapDialogRect uses them.
struct BaseUnits {
    int x = 0;
    int y = 0;

    bool operator==(const BaseUnits&) const = default;
};

// A rectangle in dialog units in pixels, as the dialog manager places a control: position and
// size are converted each on their own.
platform::Rect DialogUnitsToPixels(const platform::Rect& dialogUnits, BaseUnits units);

// The base units of a dialog font (FONT points, face), as the dialog manager of the Wine
// prefix of the tests measures them; 0 points is the system font of a dialog without FONT.
BaseUnits FontBaseUnits(int points, const std::string& face);

struct DialogTemplate {
    int id = 0;
    std::string caption;
    platform::Rect rect;   // dialog units, as written
    bool visible = false;  // WS_VISIBLE: a modeless dialog shows itself
    int fontPoints = 0;    // FONT statement; 0 without
    std::string fontFace;
    std::vector<ControlTemplate> controls;

    const ControlTemplate* Find(int controlId) const;
    BaseUnits Units() const { return FontBaseUnits(fontPoints, fontFace); }
    platform::Rect ToPixels(const platform::Rect& dialogUnits) const {
        return DialogUnitsToPixels(dialogUnits, Units());
    }
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

    // The product's dialog templates (src/resources/dialogs.rc), read once; empty when the
    // file cannot be read.
    static const DialogTemplates& Product();
    // The product's templates and those of the test pages (tests/support/probe/probe_dialogs.rc),
    // read once; what the in-memory host uses unless it is given others.
    static const DialogTemplates& Project();

  private:
    bool ReadDefines(const std::string& path);

    std::map<int, DialogTemplate> dialogs_;
    std::map<std::string, long> defines_;
};

}  // namespace velnora::fake

#include "fake/dialog_templates.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace velnora::fake {

namespace {

struct Token {
    enum Kind { kName, kNumber, kString, kPunct } kind = kPunct;
    std::string text;  // name, string contents or punctuation
    long number = 0;
};

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return true;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// Splits a resource script into tokens; preprocessor lines are handed to `directive`.
template <typename Directive>
std::vector<Token> Tokenize(const std::string& text, Directive&& directive) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    bool lineStart = true;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\n') {
            lineStart = true;
            ++i;
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        if (lineStart && c == '#') {
            const auto end = text.find('\n', i);
            directive(text.substr(i, end == std::string::npos ? std::string::npos : end - i));
            i = end == std::string::npos ? text.size() : end;
            continue;
        }
        lineStart = false;
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            i = text.find('\n', i);
            if (i == std::string::npos)
                i = text.size();
            continue;
        }
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            const auto end = text.find("*/", i + 2);
            i = end == std::string::npos ? text.size() : end + 2;
            continue;
        }
        Token token;
        if (c == '"' || (c == 'L' && i + 1 < text.size() && text[i + 1] == '"')) {
            token.kind = Token::kString;
            i += c == 'L' ? 2 : 1;
            while (i < text.size()) {
                if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                    token.text += '"';
                    i += 2;
                } else if (text[i] == '"') {
                    ++i;
                    break;
                } else if (text[i] == '\\' && i + 1 < text.size()) {
                    const char e = text[i + 1];
                    token.text += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
                    i += 2;
                } else {
                    token.text += text[i++];
                }
            }
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            token.kind = Token::kNumber;
            std::size_t used = 0;
            token.number = std::stol(text.substr(i, 24), &used, 0);
            i += used;
            while (i < text.size() &&
                   (text[i] == 'L' || text[i] == 'l' || text[i] == 'U' || text[i] == 'u'))
                ++i;
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            token.kind = Token::kName;
            while (i < text.size() &&
                   (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_'))
                token.text += text[i++];
        } else {
            token.text = std::string(1, c);
            ++i;
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

const std::set<std::string>& ControlKeywords() {
    static const std::set<std::string> keywords = {
        "CONTROL",       "LTEXT",           "RTEXT",     "CTEXT",      "PUSHBUTTON",
        "DEFPUSHBUTTON", "PUSHBOX",         "GROUPBOX",  "CHECKBOX",   "AUTOCHECKBOX",
        "RADIOBUTTON",   "AUTORADIOBUTTON", "STATE3",    "AUTO3STATE", "EDITTEXT",
        "LISTBOX",       "COMBOBOX",        "SCROLLBAR", "ICON"};
    return keywords;
}

// One argument of a statement: the tokens up to the next comma.
using Argument = std::vector<Token>;

class Parser {
  public:
    Parser(std::vector<Token> tokens, const std::map<std::string, long>& defines)
        : tokens_(std::move(tokens)), defines_(defines) {}

    bool Parse(std::map<int, DialogTemplate>& dialogs, std::string& error) {
        while (pos_ < tokens_.size()) {
            if (IsPunct("{") || IsName("BEGIN")) {
                SkipBlock();
                continue;
            }
            if (pos_ + 1 < tokens_.size() && tokens_[pos_ + 1].kind == Token::kName &&
                (Upper(tokens_[pos_ + 1].text) == "DIALOGEX" ||
                 Upper(tokens_[pos_ + 1].text) == "DIALOG")) {
                DialogTemplate dialog;
                long id = 0;
                const bool numbered = Value(tokens_[pos_], id);
                pos_ += 2;
                if (!ParseDialog(dialog, error))
                    return false;
                dialog.id = static_cast<int>(id);
                if (numbered)
                    dialogs[dialog.id] = std::move(dialog);
                continue;
            }
            ++pos_;
        }
        return true;
    }

  private:
    bool IsPunct(const char* p) const {
        return pos_ < tokens_.size() && tokens_[pos_].kind == Token::kPunct &&
               tokens_[pos_].text == p;
    }
    bool IsName(const char* n) const {
        return pos_ < tokens_.size() && tokens_[pos_].kind == Token::kName &&
               Upper(tokens_[pos_].text) == n;
    }
    bool AtBlockEnd() const { return IsPunct("}") || IsName("END"); }
    bool AtControl() const {
        return pos_ < tokens_.size() && tokens_[pos_].kind == Token::kName &&
               ControlKeywords().count(Upper(tokens_[pos_].text)) != 0;
    }

    void SkipBlock() {
        int depth = 0;
        do {
            if (IsPunct("{") || IsName("BEGIN"))
                ++depth;
            if (AtBlockEnd())
                --depth;
            ++pos_;
        } while (pos_ < tokens_.size() && depth > 0);
    }

    bool Value(const Token& token, long& value) const {
        if (token.kind == Token::kNumber) {
            value = token.number;
            return true;
        }
        if (token.kind != Token::kName)
            return false;
        static const std::map<std::string, long> builtin = {
            {"IDOK", 1},  {"IDCANCEL", 2}, {"IDABORT", 3}, {"IDRETRY", 4},    {"IDIGNORE", 5},
            {"IDYES", 6}, {"IDNO", 7},     {"IDHELP", 9},  {"IDC_STATIC", -1}};
        if (auto found = defines_.find(token.text); found != defines_.end()) {
            value = found->second;
            return true;
        }
        if (auto found = builtin.find(token.text); found != builtin.end()) {
            value = found->second;
            return true;
        }
        return false;
    }

    // Reads statement arguments: an expression, then more while a comma follows.
    std::vector<Argument> Arguments() {
        std::vector<Argument> arguments;
        for (;;) {
            Argument argument;
            int parens = 0;
            while (pos_ < tokens_.size()) {
                const Token& token = tokens_[pos_];
                if (token.kind == Token::kPunct && token.text == "," && parens == 0)
                    break;
                if (token.kind == Token::kPunct && token.text == "(")
                    ++parens;
                if (token.kind == Token::kPunct && token.text == ")")
                    --parens;
                // An expression goes on only after an operator (or NOT / an opening bracket).
                if (!argument.empty() && parens == 0) {
                    const Token& last = argument.back();
                    const bool continues = (last.kind == Token::kPunct && last.text != ")") ||
                                           (last.kind == Token::kName && Upper(last.text) == "NOT");
                    const bool isOperator = token.kind == Token::kPunct && token.text != "(";
                    if (!continues && !isOperator)
                        break;
                }
                argument.push_back(token);
                ++pos_;
            }
            arguments.push_back(std::move(argument));
            if (!IsPunct(","))
                break;
            ++pos_;
        }
        return arguments;
    }

    long Number(const Argument& argument) const {
        long total = 0;
        int sign = 1;
        for (const Token& token : argument) {
            if (token.kind == Token::kPunct) {
                if (token.text == "-")
                    sign = -sign;
                continue;
            }
            long value = 0;
            if (Value(token, value))
                total += sign * value;
            sign = 1;
        }
        return total;
    }

    // Style names of an argument; NOT-ed ones carry a leading '!'.
    static std::set<std::string> Styles(const Argument& argument) {
        std::set<std::string> names;
        bool negate = false;
        for (const Token& token : argument) {
            if (token.kind != Token::kName)
                continue;
            if (Upper(token.text) == "NOT") {
                negate = true;
                continue;
            }
            names.insert((negate ? "!" : "") + token.text);
            negate = false;
        }
        return names;
    }

    static std::string Text(const Argument& argument) {
        return argument.size() == 1 && argument[0].kind == Token::kString ? argument[0].text
                                                                          : std::string();
    }

    bool ParseDialog(DialogTemplate& dialog, std::string& error) {
        const auto header = Arguments();
        if (header.size() >= 4)
            dialog.rect = platform::Rect{static_cast<int>(Number(header[0])),
                                         static_cast<int>(Number(header[1])),
                                         static_cast<int>(Number(header[0]) + Number(header[2])),
                                         static_cast<int>(Number(header[1]) + Number(header[3]))};
        while (pos_ < tokens_.size() && !IsPunct("{") && !IsName("BEGIN")) {
            const std::string option = Upper(tokens_[pos_].text);
            ++pos_;
            const auto arguments = Arguments();
            if (option == "CAPTION" && !arguments.empty())
                dialog.caption = Text(arguments[0]);
            if (option == "STYLE" && !arguments.empty())
                dialog.visible = Styles(arguments[0]).count("WS_VISIBLE") != 0;
            if (option == "FONT" && arguments.size() >= 2) {
                dialog.fontPoints = static_cast<int>(Number(arguments[0]));
                dialog.fontFace = Text(arguments[1]);
            }
        }
        if (pos_ >= tokens_.size()) {
            error = "dialog without BEGIN";
            return false;
        }
        ++pos_;
        while (pos_ < tokens_.size() && !AtBlockEnd()) {
            if (!AtControl()) {
                error = "unknown statement '" + tokens_[pos_].text + "' in dialog";
                return false;
            }
            const std::string keyword = Upper(tokens_[pos_].text);
            ++pos_;
            ControlTemplate control;
            if (!ParseControl(keyword, Arguments(), control, error))
                return false;
            if (control.id != -1 && dialog.Find(control.id) == nullptr)
                dialog.controls.push_back(std::move(control));
        }
        if (pos_ >= tokens_.size()) {
            error = "dialog without END";
            return false;
        }
        ++pos_;
        return true;
    }

    bool ParseControl(const std::string& keyword, const std::vector<Argument>& arguments,
                      ControlTemplate& control, std::string& error) {
        // Argument positions: text, id, [class, style,] x, y, width, height, [style], ...
        const bool generic = keyword == "CONTROL";
        const bool noText = keyword == "EDITTEXT" || keyword == "LISTBOX" ||
                            keyword == "COMBOBOX" || keyword == "SCROLLBAR";
        const std::size_t idAt = noText ? 0 : 1;
        const std::size_t rectAt = generic ? 4 : idAt + 1;
        const std::size_t needed = keyword == "ICON" ? rectAt + 2 : rectAt + 4;
        if (arguments.size() < needed) {
            error = keyword + " with too few arguments";
            return false;
        }
        if (!noText)
            control.text = Text(arguments[0]);
        control.id = static_cast<int>(Number(arguments[idAt]));
        const auto coordinate = [&](std::size_t at) {
            return at < arguments.size() ? static_cast<int>(Number(arguments[at])) : 0;
        };
        const int x = coordinate(rectAt), y = coordinate(rectAt + 1);
        control.rect = platform::Rect{x, y, x + coordinate(rectAt + 2), y + coordinate(rectAt + 3)};

        std::set<std::string> styles;
        const std::size_t styleAt = generic ? 3 : rectAt + 4;
        if (styleAt < arguments.size())
            styles = Styles(arguments[styleAt]);
        const auto has = [&](const char* name) { return styles.count(name) != 0; };
        control.visible = !has("!WS_VISIBLE");
        control.enabled = !has("WS_DISABLED");
        control.multiline = has("ES_MULTILINE");
        control.readOnly = has("ES_READONLY");

        if (generic) {
            const Argument& classArgument = arguments[2];
            std::string className =
                Upper(classArgument.empty() ? std::string() : classArgument[0].text);
            if (className == "BUTTON" || className == "WC_BUTTON") {
                if (has("BS_GROUPBOX")) {
                    control.kind = ControlKind::kGroupBox;
                } else if (has("BS_AUTOCHECKBOX") || has("BS_AUTO3STATE") || has("BS_CHECKBOX") ||
                           has("BS_3STATE")) {
                    control.kind = ControlKind::kCheckBox;
                    control.autoCheck = has("BS_AUTOCHECKBOX") || has("BS_AUTO3STATE");
                } else if (has("BS_AUTORADIOBUTTON") || has("BS_RADIOBUTTON")) {
                    control.kind = ControlKind::kRadioButton;
                    control.autoCheck = has("BS_AUTORADIOBUTTON");
                } else {
                    control.kind = ControlKind::kPushButton;
                    control.defaultButton = has("BS_DEFPUSHBUTTON");
                }
            } else if (className == "STATIC" || className == "WC_STATIC") {
                control.kind = has("SS_BITMAP") || has("SS_ICON") ? ControlKind::kPicture
                                                                  : ControlKind::kStatic;
            } else if (className == "EDIT" || className == "WC_EDIT") {
                control.kind = ControlKind::kEdit;
            } else if (className == "SYSLISTVIEW32" || className == "WC_LISTVIEW") {
                control.kind = ControlKind::kList;
                control.ownerData = has("LVS_OWNERDATA");
            } else if (className == "SYSTREEVIEW32" || className == "WC_TREEVIEW") {
                control.kind = ControlKind::kTree;
            } else if (className == "COMBOBOX" || className == "WC_COMBOBOX") {
                control.kind = ControlKind::kCombo;
            }
            return true;
        }
        static const std::map<std::string, ControlKind> kinds = {
            {"LTEXT", ControlKind::kStatic},
            {"RTEXT", ControlKind::kStatic},
            {"CTEXT", ControlKind::kStatic},
            {"ICON", ControlKind::kPicture},
            {"PUSHBUTTON", ControlKind::kPushButton},
            {"DEFPUSHBUTTON", ControlKind::kPushButton},
            {"PUSHBOX", ControlKind::kPushButton},
            {"GROUPBOX", ControlKind::kGroupBox},
            {"CHECKBOX", ControlKind::kCheckBox},
            {"AUTOCHECKBOX", ControlKind::kCheckBox},
            {"STATE3", ControlKind::kCheckBox},
            {"AUTO3STATE", ControlKind::kCheckBox},
            {"RADIOBUTTON", ControlKind::kRadioButton},
            {"AUTORADIOBUTTON", ControlKind::kRadioButton},
            {"EDITTEXT", ControlKind::kEdit},
            {"COMBOBOX", ControlKind::kCombo}};
        if (auto found = kinds.find(keyword); found != kinds.end())
            control.kind = found->second;
        control.defaultButton = keyword == "DEFPUSHBUTTON";
        control.autoCheck = keyword.rfind("AUTO", 0) == 0;
        return true;
    }

    std::vector<Token> tokens_;
    const std::map<std::string, long>& defines_;
    std::size_t pos_ = 0;
};

// MulDiv of the Windows API: rounded to the nearest, halves away from zero.
int MulDiv(int number, int numerator, int denominator) {
    const long long product = static_cast<long long>(number) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>((product >= 0 ? product + half : product - half) / denominator);
}

}  // namespace

BaseUnits FontBaseUnits(int points, const std::string&) {
    // Measured with MapDialogRect on the test prefix, where the dialog faces the programs
    // use (MS Shell Dlg, ＭＳ Ｐゴシック, ＭＳ ゴシック) all give the same units; other faces
    // come close enough. Sizes beyond the table grow in proportion.
    static constexpr BaseUnits kByPoints[] = {{4, 9},  {5, 10}, {6, 12}, {6, 13}, {7, 14},
                                              {8, 16}, {8, 17}, {9, 18}, {10, 21}};
    constexpr int kFirst = 6;
    constexpr int kLast = kFirst + static_cast<int>(std::size(kByPoints)) - 1;
    if (points <= 0)
        return BaseUnits{8, 16};  // the system font
    if (points < kFirst)
        return kByPoints[0];
    if (points > kLast) {
        const BaseUnits& last = kByPoints[kLast - kFirst];
        return BaseUnits{MulDiv(last.x, points, kLast), MulDiv(last.y, points, kLast)};
    }
    return kByPoints[points - kFirst];
}

platform::Rect DialogUnitsToPixels(const platform::Rect& dialogUnits, BaseUnits units) {
    const int left = MulDiv(dialogUnits.left, units.x, 4);
    const int top = MulDiv(dialogUnits.top, units.y, 8);
    return platform::Rect{left, top, left + MulDiv(dialogUnits.Width(), units.x, 4),
                          top + MulDiv(dialogUnits.Height(), units.y, 8)};
}

const ControlTemplate* DialogTemplate::Find(int controlId) const {
    for (const ControlTemplate& control : controls)
        if (control.id == controlId)
            return &control;
    return nullptr;
}

bool DialogTemplates::ReadDefines(const std::string& path) {
    std::string text;
    if (!ReadFile(path, text))
        return false;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string directive, name, value;
        words >> directive >> name >> value;
        if (directive != "#define" || value.empty())
            continue;
        try {
            std::size_t used = 0;
            defines_[name] = std::stol(value, &used, 0);
        } catch (const std::exception&) {
            if (auto found = defines_.find(value); found != defines_.end())
                defines_[name] = found->second;
        }
    }
    return true;
}

bool DialogTemplates::ParseRc(const std::string& text, const std::string& folder,
                              std::string* error) {
    std::vector<std::string> pending;
    auto tokens = Tokenize(text, [&](const std::string& line) {
        std::istringstream words(line);
        std::string directive;
        words >> directive;
        if (directive == "#include") {
            std::string name;
            words >> name;
            if (name.size() > 2 && name.front() == '"')
                pending.push_back(name.substr(1, name.size() - 2));
        } else if (directive == "#define") {
            std::string name, value;
            words >> name >> value;
            try {
                if (!value.empty())
                    defines_[name] = std::stol(value, nullptr, 0);
            } catch (const std::exception&) {
            }
        }
    });
    std::string message;
    for (const std::string& name : pending) {
        const std::string path = folder + "/" + name;
        const auto dot = name.find_last_of('.');
        const std::string extension = dot == std::string::npos ? "" : Upper(name.substr(dot));
        if (extension == ".RC") {
            if (!LoadRcFile(path, error))
                return false;
        } else {
            ReadDefines(path);
        }
    }
    Parser parser(std::move(tokens), defines_);
    if (!parser.Parse(dialogs_, message)) {
        if (error != nullptr)
            *error = message;
        return false;
    }
    return true;
}

bool DialogTemplates::LoadRcFile(const std::string& path, std::string* error) {
    std::string text;
    if (!ReadFile(path, text)) {
        if (error != nullptr)
            *error = "cannot read " + path;
        return false;
    }
    return ParseRc(text, FolderOf(path), error);
}

void DialogTemplates::Add(DialogTemplate dialog) {
    dialogs_[dialog.id] = std::move(dialog);
}

const DialogTemplate* DialogTemplates::Find(int templateId) const {
    auto found = dialogs_.find(templateId);
    return found == dialogs_.end() ? nullptr : &found->second;
}

namespace {

// This file sits in tests/support/fake of the source tree.
std::string SourcePath(const std::string& relative) {
    return FolderOf(__FILE__) + "/../../../" + relative;
}

}  // namespace

const DialogTemplates& DialogTemplates::Product() {
    static const DialogTemplates product = [] {
        DialogTemplates templates;
        templates.LoadRcFile(SourcePath("src/resources/dialogs.rc"));
        return templates;
    }();
    return product;
}

const DialogTemplates& DialogTemplates::Project() {
    static const DialogTemplates project = [] {
        DialogTemplates templates = Product();
        templates.LoadRcFile(SourcePath("tests/support/probe/probe_dialogs.rc"));
        return templates;
    }();
    return project;
}

}  // namespace velnora::fake

#include "maintenance/installation_report.h"

#include <string>
#include <vector>

#include "core/context.h"
#include "environments/environment_table.h"
#include "environments/tool_record.h"

namespace velnora::maintenance {

namespace {

using environments::ToolComposition;

constexpr char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";

// The report's lines, each ended by CR LF as a text-mode write would end it.
class ReportText {
  public:
    void Line(const std::string& text) {
        content_ += text;
        content_ += "\r\n";
    }
    void Indented(int blanks, const std::string& text) {
        Line(std::string(static_cast<std::size_t>(blanks), ' ') + text);
    }
    const std::string& Content() const { return content_; }

  private:
    std::string content_ = kUtf8ByteOrderMark;
};

void WritePackages(ReportText& report, const ToolComposition& c, const core::TextSet& texts) {
    const auto groups = environments::PackageGroups(c);
    if (groups.empty())
        return;
    report.Indented(2, texts.Get(core::TextId::kLabelPackage));
    for (const auto& group : groups) {
        const int indent = group.label ? 6 : 4;
        if (group.label)
            report.Indented(4, texts.Get(*group.label));
        for (const auto& entry : *group.entries)
            report.Indented(indent, entry);
    }
}

}  // namespace

bool WriteInstallationReport(core::Context& context, const std::string& path) {
    auto& files = context.platform.files;
    // Created before anything is read, so that an unwritable file costs no registry walk.
    if (files.WriteFile(path, std::string()) != platform::error::kSuccess)
        return false;

    const core::TextSet& texts = context.texts;
    ReportText report;
    environments::EnumerateEnvironments(context);
    for (int row = 0; row < context.environments.Count(); ++row) {
        const ToolComposition c = environments::ReadToolComposition(context, row);
        // An entry that vanished ends the report there.
        if (!c.entryReadable)
            break;

        const bool active = context.environments.Row(row).keyName == core::kVantorixProductGuid;
        report.Line("[" + c.location + (active ? " [Active]]" : "]"));
        if (c.displayNameReadable)
            report.Indented(2, texts.Get(core::TextId::kLabelDisplayName) + "=" + c.displayName);
        else
            report.Line("");
        report.Indented(2, texts.Get(core::TextId::kLabelVersion) + "=" + c.version);
        WritePackages(report, c, texts);
        if (!c.records.empty()) {
            report.Indented(2, texts.Get(core::TextId::kLabelInstallationRecord));
            for (const auto& record : c.records)
                report.Indented(4, record);
        }
        report.Line("");
    }
    return files.WriteFile(path, report.Content()) == platform::error::kSuccess;
}

void SaveInstallationReport(core::Context& context) {
    platform::FileDialogRequest request;
    request.defaultExtension = "txt";
    request.filters = {{"Text File(*.txt)", "*.txt"}};
    std::string path;
    auto& ui = context.platform.ui;
    if (!ui.ChooseFileToSave(nullptr, request, path))
        return;
    const platform::ScopedWaitCursor wait(ui);
    WriteInstallationReport(context, path);
}

}  // namespace velnora::maintenance

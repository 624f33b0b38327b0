#include "maintenance/installation_report.h"

#include <string>
#include <vector>

#include "environments/environment_table.h"
#include "environments/move_support.h"
#include "environments/tool_record.h"
#include "installer/context.h"

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

// A name beside the report that no file has yet, for the report while it is written; empty
// when every name tried is taken.
std::string TemporaryBeside(platform::FileSystem& files, const std::string& path) {
    constexpr int kNamesTried = 100;
    for (int n = 0; n < kNamesTried; ++n) {
        std::string name = path;
        if (n > 0)
            name.append(".").append(std::to_string(n));
        name += ".tmp";
        if (platform::CertainlyMissing(files, name))
            return name;
    }
    return {};
}

}  // namespace

std::string InstallationReportText(environments::Context& context, core::Notices& notices) {
    const core::TextSet& texts = context.texts;
    ReportText report;
    if (!environments::EnumerateEnvironments(context))
        notices.push_back(environments::SearchFailedNotice(context.texts));
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
    return report.Content();
}

bool WriteInstallationReport(environments::Context& context, const std::string& path,
                             core::Notices& notices) {
    auto& files = context.platform.files;
    const std::string temporary = TemporaryBeside(files, path);
    // Created before anything is read, so that an unwritable folder costs no registry walk.
    if (temporary.empty() || files.WriteFile(temporary, std::string()) != platform::error::kSuccess)
        return false;

    // The old report is replaced only by a complete one.
    if (files.WriteFile(temporary, InstallationReportText(context, notices)) !=
            platform::error::kSuccess ||
        files.MoveFile(temporary, path,
                       platform::movefile::kReplaceExisting | platform::movefile::kWriteThrough) !=
            platform::error::kSuccess) {
        files.DeleteFile(temporary);
        return false;
    }
    return true;
}

}  // namespace velnora::maintenance

// The installation report: the tool composition of every environment as a text file.
#pragma once

#include <string>

#include "core/notice.h"

namespace velnora::environments {
struct Context;
}

namespace velnora::maintenance {

// Enumerates the environments and gives the report of all of them: UTF-8 text with a
// byte-order mark and CR LF line ends.
std::string InstallationReportText(environments::Context& context, core::Notices& notices);

// Enumerates the environments and writes the report of all of them as UTF-8 text with a
// byte-order mark and CR LF line ends, into a file beside `path` that replaces it only once it
// is complete. False when it cannot be written; an old file of that name then stays as it was.
// A failed enumeration adds its notice.
bool WriteInstallationReport(environments::Context& context, const std::string& path,
                             core::Notices& notices);

}  // namespace velnora::maintenance

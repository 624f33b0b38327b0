// The installer catalogue of autorun.ini.
#pragma once

namespace velnora::installer {

struct InstallerCatalogue {};

}  // namespace velnora::installer

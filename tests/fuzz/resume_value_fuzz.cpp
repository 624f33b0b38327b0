// The commands in RunOnce with which the vendor setup resumes after a restart: the install
// manager blanks those whose setup folder is gone, so it must find that folder in the command
// and nowhere else.
#include "app/command_line.h"
#include "fuzz_support.h"
#include "maintenance/environment_uninstall.h"

namespace velnora::fuzz {
namespace {

// The folder is the command's own text from its start (after an opening quote), directly
// followed by "\setup.exe", and it holds the product's folder.
void CheckFolder(std::string_view command, const std::string& folder) {
    const std::size_t start = command.starts_with('"') ? 1 : 0;
    Require(!folder.empty() && command.substr(start, folder.size()) == folder,
            "the folder is where the command starts");
    Require(app::LowerAscii(command.substr(start + folder.size(), 10)) == "\\setup.exe",
            "the folder is followed by the setup program");
    Require(folder.find("\\{3B9F") != std::string::npos, "the folder holds the product's folder");
}

}  // namespace
}  // namespace velnora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velnora;
    using namespace velnora::fuzz;
    const std::string_view command = RegistryText(data, size);
    const auto folder = maintenance::ResumeSetupFolder(command);
    Require(folder == maintenance::ResumeSetupFolder(command),
            "a second read gives the same folder");
    if (folder)
        CheckFolder(command, *folder);
    return 0;
}

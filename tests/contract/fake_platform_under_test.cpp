// The contract suite on the fake platform.
#include <cstdlib>

#include "contract_fixture.h"
#include "fake/fake_platform.h"

namespace velnora::contract {
namespace {

constexpr char kChild[] = "C:\\ContractKit\\contract_child.exe";
constexpr char kChildVersion[] = "9.8.7.6";
constexpr char kLibraryBeside[] = "C:\\ContractKit\\velnora_planted_library.dll";

class FakePlatformUnderTest final : public PlatformUnderTest {
  public:
    FakePlatformUnderTest() {
        fake_.files.AddFolder(ScratchFolder());
        fake_.shell.AddVersionedProgram(kChild, kChildVersion);
        fake_.files.AddFile(kLibraryBeside);
        // Runs as long and exits with the code its command line asks for.
        fake_.processes.AddProgram(kChild, [](const std::string& commandLine) {
            fake::ProgramBehaviour behaviour;
            const auto close = commandLine.find('"', 1);
            const std::string arguments =
                close == std::string::npos ? std::string() : commandLine.substr(close + 1);
            char* end = nullptr;
            behaviour.runMs = std::strtoull(arguments.c_str(), &end, 10);
            behaviour.exitCode = static_cast<std::uint32_t>(std::strtoul(end, nullptr, 10));
            return behaviour;
        });
    }

    platform::Platform& Get() override { return fake_.Get(); }
    bool IsWine() const override { return false; }
    std::string ScratchFolder() override { return "C:\\TEMP\\VelnoraContract"; }
    std::string ScratchKey() override { return "SOFTWARE\\VelnoraContract\\Case"; }
    void HoldOpen(const std::string& path) override { fake_.files.HoldOpen(path); }
    void Release(const std::string& path) override { fake_.files.Release(path); }
    bool MakeFolderLink(const std::string& link, const std::string& target) override {
        fake_.files.AddLink(link, target);
        return true;
    }
    bool SetModifiedTime(const std::string& path, const platform::LocalFileTime& time) override {
        fake_.files.SetModifiedTime(path, time);
        return true;
    }
    std::string ChildProgram() override { return kChild; }
    std::optional<std::pair<std::string, std::string>> VersionedProgram() override {
        return std::make_pair(std::string(kChild), std::string(kChildVersion));
    }
    std::string LibraryBesideProgram() override { return kLibraryBeside; }
    // Every test has a machine of its own.
    void Cleanup() override {}

  private:
    fake::FakePlatform fake_;
};

std::unique_ptr<PlatformUnderTest> MakeFake() {
    return std::make_unique<FakePlatformUnderTest>();
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Fake, PlatformContract, ::testing::Values(PlatformKind{"fake", &MakeFake}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace velnora::contract

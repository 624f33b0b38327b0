#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>

namespace velnora::fuzz {

void Require(bool holds, const char* invariant) {
    if (holds)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", invariant);
    std::abort();
}

std::string_view AsText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

std::string_view RegistryText(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = AsText(data, size);
    return text.substr(0, text.find('\0'));
}

FuzzMachine::FuzzMachine() {
    context.startup.programBaseName = "Velnora";
    context.startup.managerBaseName = "Velnora";
    context.startup.settingsFile = "Velnora.ini";
    context.startup.programFolder = "C:\\Media";
    context.startup.autorunPath = "C:\\Media\\autorun.ini";
    context.startup.osVersion = {5, 1, 2600, 2};
}

void FuzzMachine::PutFile(const std::string& path, std::string_view bytes) {
    fake.files.AddFile(path, std::string(bytes));
}

}  // namespace velnora::fuzz

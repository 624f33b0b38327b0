// What the fuzz targets share: the check that turns a broken invariant into the abort libFuzzer
// reports (and keeps the input of), and a fresh fake machine on which the real code reads a
// fuzzed file through the fake profile service, as it reads the file on Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fake/fake_platform.h"
#include "installer/context.h"

namespace velnora::fuzz {

// Stops the run with the invariant's text when it does not hold.
void Require(bool holds, const char* invariant);

// The fuzzed bytes as the programs' text, which nothing outside promises to be UTF-8.
std::string_view AsText(const std::uint8_t* data, std::size_t size);
// The fuzzed bytes as a registry text value gives them: up to the first zero.
std::string_view RegistryText(const std::uint8_t* data, std::size_t size);

// Windows XP with the program at C:\Media\Velnora.exe, the context as start-up leaves it before
// the first page. Each input gets a machine of its own, so nothing carries over between inputs.
struct FuzzMachine {
    FuzzMachine();

    // The bytes as the whole content of the file at `path`.
    void PutFile(const std::string& path, std::string_view bytes);

    fake::FakePlatform fake;
    installer::Context context{fake.Get()};
};

}  // namespace velnora::fuzz

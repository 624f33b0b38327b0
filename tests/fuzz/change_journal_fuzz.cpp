// The change journal a start reads after a power loss or from another version: only the exact
// bytes of a journal are acted on, and what is read is what those bytes say.
#include "flows/change_journal.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velnora;
    using namespace velnora::fuzz;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto journal = flows::ParseJournal(text);
    if (!journal)
        return 0;
    Require(flows::JournalText(*journal) == text, "only a journal's own bytes are read");
    Require(journal->step >= 1 && journal->step <= 8, "the step is one of the eight");
    Require(!journal->parkedName.empty() || !journal->incoming.empty(),
            "the journal names an environment");
    Require(flows::ParseJournal(flows::JournalText(*journal)) == journal,
            "its bytes read back as the same journal");
    return 0;
}

#include "fake/fault_sweep.h"

#include <sstream>

#include "platform/types.h"

namespace velnora::fake {

int OccurrenceOf(const std::vector<Call>& log, std::size_t index) {
    int occurrence = 0;
    for (std::size_t i = 0; i <= index && i < log.size(); ++i)
        if (log[i].operation == log[index].operation)
            ++occurrence;
    return occurrence;
}

std::string SweepReport::FailureText() const {
    std::ostringstream text;
    text << failures.size() << " of " << runs << " runs went wrong:\n";
    for (const std::string& failure : failures)
        text << failure << "\n";
    return text.str();
}

std::string SweepReport::OutcomeText() const {
    std::ostringstream text;
    for (const auto& [outcome, count] : outcomes)
        text << "[" << outcome << "] x" << count << "\n";
    return text.str();
}

SweepReport SweepEveryCall(const std::vector<Call>& log,
                           const std::function<FaultRun(const ArmFault&)>& run) {
    SweepReport report;
    for (std::size_t i = 0; i < log.size(); ++i) {
        const Call& call = log[i];
        const int occurrence = OccurrenceOf(log, i);
        const FaultRun result = run([&call, occurrence](Faults& faults) {
            faults.FailAt(call.operation, occurrence, platform::error::kAccessDenied);
        });
        ++report.runs;
        ++report.outcomes[result.outcome];
        if (result.problems.empty())
            continue;
        std::ostringstream text;
        text << "call " << i << " " << call.operation << "(" << call.subject << ") failing: ["
             << result.outcome << "]";
        for (const std::string& problem : result.problems)
            text << "\n    " << problem;
        report.failures.push_back(text.str());
    }
    return report;
}

}  // namespace velnora::fake

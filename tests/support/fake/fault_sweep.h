// The single-fault sweep: an operation is run once to learn every platform call it makes, then
// once more for each of those calls failing alone. Each run judges what the failure left, and
// the sweep gathers the runs that went wrong and how often each end state was reached.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "fake/faults.h"

namespace velnora::fake {

// The occurrence number (from 1) of log entry `index` among the calls of its operation.
int OccurrenceOf(const std::vector<Call>& log, std::size_t index);

// What one run with a failing call left: its end state, counted by the sweep, and what it got
// wrong, each as a line.
struct FaultRun {
    std::string outcome;
    std::vector<std::string> problems;
};

struct SweepReport {
    std::size_t runs = 0;
    // One text per run that had problems, naming the failing call.
    std::vector<std::string> failures;
    std::map<std::string, int> outcomes;

    // The failures, one block each, for a test's failure message.
    std::string FailureText() const;
    // "[outcome] xN" lines.
    std::string OutcomeText() const;
};

// Arms a fresh machine's faults so that the sweep's current call fails.
using ArmFault = std::function<void(Faults&)>;

// Runs `run` once for every call of `log`: `run` builds a fresh machine, arms its faults with
// the ArmFault it is given before the operation, runs the operation and judges the end.
SweepReport SweepEveryCall(const std::vector<Call>& log,
                           const std::function<FaultRun(const ArmFault&)>& run);

}  // namespace velnora::fake

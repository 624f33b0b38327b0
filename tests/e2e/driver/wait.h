// Waiting for conditions with a time limit. The driver never sleeps for a fixed time to
// let something happen: it polls a condition until it holds or the deadline passes.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

namespace velnora::e2e {

using Milliseconds = std::chrono::milliseconds;

// Generous: Wine on a busy two-core machine can take seconds to show a first window.
inline constexpr Milliseconds kDefaultTimeout{20000};
inline constexpr Milliseconds kPollInterval{20};

class Deadline {
  public:
    explicit Deadline(Milliseconds timeout) : end_(std::chrono::steady_clock::now() + timeout) {}
    bool Passed() const { return std::chrono::steady_clock::now() >= end_; }

  private:
    std::chrono::steady_clock::time_point end_;
};

// True as soon as `condition` holds; false when it still does not hold at the deadline.
bool WaitUntil(const std::function<bool()>& condition, Milliseconds timeout = kDefaultTimeout);

// The first value `probe` yields before the deadline.
template <typename T>
std::optional<T> WaitForValue(const std::function<std::optional<T>()>& probe,
                              Milliseconds timeout = kDefaultTimeout) {
    std::optional<T> value;
    WaitUntil(
        [&] {
            value = probe();
            return value.has_value();
        },
        timeout);
    return value;
}

}  // namespace velnora::e2e

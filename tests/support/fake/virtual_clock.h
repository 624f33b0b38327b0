// The virtual clock every fake shares: nothing in the fake platform waits for real time.
// Sleep and the waits advance it; processes end and messages arrive at their virtual times.
#pragma once

#include <cstdint>

namespace velnora::fake {

class VirtualClock {
  public:
    // `startTick` is what GetTickCount shows at time 0 (a machine up for a while).
    explicit VirtualClock(std::uint32_t startTick = 3'600'000) : startTick_(startTick) {}

    // Milliseconds since the clock was made.
    std::uint64_t Now() const { return now_; }
    // GetTickCount: wraps after 2^32 ms like the real one.
    std::uint32_t TickCount() const { return static_cast<std::uint32_t>(startTick_ + now_); }

    void Advance(std::uint64_t milliseconds) { now_ += milliseconds; }
    // Moves forward to `time`; never back.
    void AdvanceTo(std::uint64_t time) {
        if (time > now_)
            now_ = time;
    }
    // What GetTickCount shows now, for tests of the wrap-around.
    void SetTickCount(std::uint32_t tick) { startTick_ = static_cast<std::uint32_t>(tick - now_); }

  private:
    std::uint64_t now_ = 0;
    std::uint32_t startTick_;
};

}  // namespace velnora::fake

// Waiting for what a step must bring about (a packet counted, a file written,
// a window drawn) with a deadline generous enough for a loaded machine,
// instead of sleeping for a guessed time.
#pragma once

#include <chrono>
#include <functional>

namespace druvex::testing {

// Long enough for any single step on a machine whose every core is busy; a
// wait only runs this long when the step has failed.
constexpr double generous_seconds = 30.0;

class Deadline {
public:
    explicit Deadline(double seconds = generous_seconds)
        : end_(std::chrono::steady_clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                      std::chrono::duration<double>(seconds))) {}
    bool passed() const { return Clock::now() > end_; }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point end_;
};

// Lets time pass where the passing of time is itself what a step needs
// (pacing, a double-click interval, a window in which nothing may happen);
// never to wait for something to happen.
void pause_for(double seconds);

// Polls `condition` until it holds (true) or the time is up (false).
bool wait_until(const std::function<bool()>& condition, double timeout_sec = generous_seconds);

// Makes values until one is `accepted` or the time is up, and returns the
// last one made, so that a failing check can still say what there was.
template <typename Make, typename Accept>
auto wait_for_value(Make make, Accept accepted, double timeout_sec = generous_seconds)
    -> decltype(make()) {
    const Deadline deadline(timeout_sec);
    auto value = make();
    while (!accepted(value) && !deadline.passed()) {
        pause_for(0.05);
        value = make();
    }
    return value;
}

}  // namespace druvex::testing

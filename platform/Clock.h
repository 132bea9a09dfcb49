#pragma once
// The clocks and the sleep that the dialog logic is given. Both clocks count whole seconds (or
// milliseconds) in 64 bits, so that they keep counting past January 2038. Tests hand the dialog a
// clock they move themselves, so that hours of frames run in milliseconds.

#include <cstdint>

inline constexpr char kClockHeaderRevision[] = "%Z% Corvane QX4002:02 Clock.h $Revision: 1.2 $";

class Clock {
public:
    virtual ~Clock() = default;

    // The calendar: whole seconds since 1970-01-01 00:00 UTC. An operator or a time service may
    // set it back or forward at any moment, so it times nothing; it says when.
    virtual std::int64_t NowSeconds() = 0;
    // Whole seconds from some moment before the program started. It never goes back and never
    // jumps with the calendar: the cadence of the program runs on it.
    virtual std::int64_t MonotonicSeconds() = 0;
    // The same two clocks in milliseconds, for what is timed finer than the second (a
    // receiver's messages). A clock that knows only seconds gives whole seconds.
    virtual std::int64_t NowMilliseconds() { return NowSeconds() * 1000; }
    virtual std::int64_t MonotonicMilliseconds() { return MonotonicSeconds() * 1000; }
    // Blocks the calling thread; a value below 1 returns at once.
    virtual void SleepMilliseconds(std::int32_t milliseconds) = 0;
};

// The platform's own clocks; one object for the whole program.
Clock& SystemClock();

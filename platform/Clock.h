#pragma once
// The calendar clock and the sleep that the dialog logic is given. The program reads the clock
// in whole seconds; it is 64-bit so that it keeps counting past January 2038. Tests hand the
// dialog a clock they move themselves, so that hours of frames run in milliseconds.

#include <cstdint>

inline constexpr char kClockHeaderRevision[] = "%Z% Corvane QX4002:02 Clock.h $Revision: 1.1 $";

class Clock {
public:
    virtual ~Clock() = default;

    // Whole seconds since 1970-01-01 00:00 UTC.
    virtual std::int64_t NowSeconds() = 0;
    // Blocks the calling thread; a value below 1 returns at once.
    virtual void SleepMilliseconds(std::int32_t milliseconds) = 0;
};

// The platform's own clock; one object for the whole program.
Clock& SystemClock();

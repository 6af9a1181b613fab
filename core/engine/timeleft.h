// How long a computation has left, from how much of it is done at moments
// of its run. The work a pixel takes varies a millionfold, so the share of
// pixels done says how far a run has got only on average: a time is given
// once the estimates of the whole run agree for a while, and until then
// only the share done is worth showing.
#pragma once

#include <deque>

class CTimeLeft {
public:
    // A reading: seconds since the start, and the share done, 0 to 1.
    // Answers the seconds left, or a negative number while no estimate has
    // settled (or the latest one has been overrun).
    double Update(double elapsed, double done);

    // Estimates of the whole run agree when they lie within this ratio of
    // each other, over at least kMinReadings readings spanning kMinSpan
    // seconds (the readings of the last kWindow seconds, or the last
    // kMinReadings when they are older).
    static constexpr double kAgreement = 1.2;
    static constexpr int kMinReadings = 3;
    static constexpr double kMinSpan = 2.0;
    static constexpr double kWindow = 3.0;

private:
    struct Reading {
        double elapsed;
        double total;  // the whole run's length as estimated then
    };
    std::deque<Reading> m_readings;
    double m_lastDone = 0.0;
};

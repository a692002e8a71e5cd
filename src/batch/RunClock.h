#pragma once

#include <QDateTime>

#include <functional>

// The clock of a batch run: time of day in seconds for the elapsed time, and the date and time for the
// closing line. Replaceable so that a run can be timed against a fake clock.
namespace RunClock {

using Source = std::function<QDateTime()>;

QDateTime now();
// Seconds since midnight, with milliseconds.
double secondsOfDay();
// An empty source restores the system clock.
void setSource(Source source);

} // namespace RunClock

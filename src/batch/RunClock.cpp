#include "batch/RunClock.h"

namespace {
RunClock::Source& source() {
    static RunClock::Source s;
    return s;
}
} // namespace

namespace RunClock {

QDateTime now() {
    return source() ? source()() : QDateTime::currentDateTime();
}

double secondsOfDay() {
    return now().time().msecsSinceStartOfDay() / 1000.0;
}

void setSource(Source s) {
    source() = std::move(s);
}

} // namespace RunClock

#include "platform/filekit/FileKit.h"
#include "platform/filekit/RandomnessMeasure.h"

#include <algorithm>

namespace filekit {

double randomness_measure(const QByteArray& key, int length, int sampleLength) {
    if (key.isEmpty() || length < 1)
        return 0.0;
    const qsizetype used = std::min<qsizetype>(key.size(), length);
    measure::ByteStatistics stats;
    stats.add(reinterpret_cast<const uchar*>(key.constData()), used, true);
    double value = stats.keyValue();
    if (sampleLength > used)
        value *= static_cast<double>(used) / sampleLength;
    return value;
}

} // namespace filekit

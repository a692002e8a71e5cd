#include "platform/filekit/RandomnessMeasure.h"

#include <algorithm>
#include <cmath>

namespace filekit::measure {

namespace {

// The ratio of observed to expected entropy, capped to 0..1; no data at all is no evidence of randomness.
double ratio(double observed, quint64 samples, int symbols) {
    if (samples == 0)
        return 0.0;
    const double expected = expectedEntropy(static_cast<qint64>(samples), symbols);
    if (expected <= 0.0)
        return observed > 0.0 ? 1.0 : 0.0;
    return std::clamp(observed / expected, 0.0, 1.0);
}

} // namespace

double expectedEntropy(qint64 samples, int symbols) {
    if (samples <= 1 || symbols <= 1)
        return 0.0;
    // Each symbol's count is Binomial(n, 1/k); the entropy's expectation is k times the expectation of
    // -(c/n) log2(c/n). Terms more than a dozen standard deviations from the mean add nothing measurable.
    const double n = static_cast<double>(samples);
    const double p = 1.0 / symbols;
    const double mean = n * p;
    const double sd = std::sqrt(n * p * (1.0 - p));
    const qint64 low = std::max<qint64>(1, static_cast<qint64>(std::floor(mean - 12.0 * sd - 12.0)));
    const qint64 high = std::min<qint64>(samples, static_cast<qint64>(std::ceil(mean + 12.0 * sd + 12.0)));
    const double logN1 = std::lgamma(n + 1.0);
    const double logP = std::log(p);
    const double logQ = std::log1p(-p);
    double sum = 0.0;
    for (qint64 c = low; c <= high; ++c) {
        const double cd = static_cast<double>(c);
        const double logPmf = logN1 - std::lgamma(cd + 1.0) - std::lgamma(n - cd + 1.0) + cd * logP + (n - cd) * logQ;
        const double share = cd / n;
        sum += std::exp(logPmf) * share * std::log2(share);
    }
    return -static_cast<double>(symbols) * sum;
}

double observedEntropy(const quint64* counts, qsizetype size, quint64 total) {
    if (total == 0)
        return 0.0;
    const double n = static_cast<double>(total);
    double h = 0.0;
    for (qsizetype i = 0; i < size; ++i) {
        if (counts[i] == 0)
            continue;
        const double share = static_cast<double>(counts[i]) / n;
        h -= share * std::log2(share);
    }
    return h;
}

ByteStatistics::ByteStatistics() : m_pairCounts(65536, 0) {}

void ByteStatistics::add(const uchar* data, qsizetype size, bool startsNewRun) {
    int last = startsNewRun ? -1 : m_last;
    for (qsizetype i = 0; i < size; ++i) {
        const int b = data[i];
        ++m_byteCounts[b];
        if (last >= 0) {
            ++m_pairCounts[(last << 8) | b];
            ++m_differenceCounts[(b - last) & 0xff];
        }
        last = b;
    }
    if (size > 0) {
        m_bytes += static_cast<quint64>(size);
        m_pairs += static_cast<quint64>(size) - ((startsNewRun || m_last < 0) ? 1 : 0);
        m_last = last;
    }
}

double ByteStatistics::byteRatio() const {
    return ratio(observedEntropy(m_byteCounts.data(), 256, m_bytes), m_bytes, 256);
}

double ByteStatistics::pairRatio() const {
    return ratio(observedEntropy(m_pairCounts.data(), 65536, m_pairs), m_pairs, 65536);
}

double ByteStatistics::differenceRatio() const {
    return ratio(observedEntropy(m_differenceCounts.data(), 256, m_pairs), m_pairs, 256);
}

double ByteStatistics::fileValue() const {
    return std::min({byteRatio(), pairRatio(), differenceRatio()});
}

double ByteStatistics::keyValue() const {
    return std::min(byteRatio(), differenceRatio());
}

} // namespace filekit::measure

#pragma once

#include <QtGlobal>

#include <array>
#include <vector>

// The statistics behind the randomness values of files and keys. Each statistic is the plug-in (observed)
// Shannon entropy of a histogram divided by the entropy that uniformly random bytes of the same count are
// expected to show, so a small sample is not held against its size. The value is the smallest of the ratios,
// capped at 1.
namespace filekit::measure {

// Expected plug-in entropy, in bits, of `samples` independent draws spread uniformly over `symbols` values.
double expectedEntropy(qint64 samples, int symbols);

// Plug-in entropy, in bits, of a histogram whose counts add up to `total`.
double observedEntropy(const quint64* counts, qsizetype size, quint64 total);

// Collects byte, byte-pair and successive-difference counts over one or more runs of bytes.
class ByteStatistics {
public:
    ByteStatistics();

    // Adds a run of bytes. A run continues the previous one (its first byte pairs with the last byte added)
    // unless `startsNewRun` is set; sampled stretches of a file are separate runs.
    void add(const uchar* data, qsizetype size, bool startsNewRun);

    quint64 byteCount() const { return m_bytes; }

    // Byte entropy ratio: how evenly the 256 byte values are used.
    double byteRatio() const;
    // Pair entropy ratio over the 65536 pairs of neighbouring bytes: catches repeated blocks and patterns.
    double pairRatio() const;
    // Entropy ratio of the differences between neighbouring bytes (mod 256): catches ramps and counting.
    double differenceRatio() const;

    // The file value: min(byte, pair, difference ratio), 0..1.
    double fileValue() const;
    // The key value: min(byte, difference ratio), 0..1 (64 bytes are far too few for pairs).
    double keyValue() const;

private:
    std::array<quint64, 256> m_byteCounts{};
    std::array<quint64, 256> m_differenceCounts{};
    std::vector<quint64> m_pairCounts;
    quint64 m_bytes = 0;
    quint64 m_pairs = 0;
    int m_last = -1;
};

} // namespace filekit::measure

#include "batch/OutputClash.h"

#include "files/FolderNames.h"
#include "platform/os/FileIdentity.h"

#include <QHash>
#include <QPair>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// Hashes with the index they came from, sorted by hash: equal names are neighbours, and a name is found by a
// binary search. A shared hash is only a hint; the names themselves decide.
using Hashes = std::vector<std::pair<size_t, qsizetype>>;

void sortByHash(Hashes& hashes) {
    std::sort(hashes.begin(), hashes.end());
}

} // namespace

namespace OutputClash {

std::pair<qsizetype, qsizetype> firstRepeat(qsizetype count, const OutputName& outputName) {
    Hashes hashes;
    hashes.reserve(size_t(count));
    for (qsizetype i = 0; i < count; ++i) {
        const QString name = outputName(i);
        if (!name.isEmpty()) // no output at all: its line says why
            hashes.emplace_back(qHash(name.toCaseFolded()), i);
    }
    sortByHash(hashes);
    std::pair<qsizetype, qsizetype> first{-1, -1};
    for (size_t a = 0; a < hashes.size(); ++a)
        for (size_t b = a + 1; b < hashes.size() && hashes[b].first == hashes[a].first; ++b)
            if (hashes[b].second < first.second || first.second < 0)
                if (outputName(hashes[a].second).toCaseFolded() == outputName(hashes[b].second).toCaseFolded())
                    first = {hashes[a].second, hashes[b].second};
    return first;
}

Clash find(const QString& inputDir, const QStringList& inputNames, const QString& outputDir,
           const OutputName& outputName) {
    // By name: only where the output folder is the input folder as written (another spelling of it is found below,
    // as the same file on disk).
    Hashes byName;
    if (outputDir == inputDir) {
        byName.reserve(size_t(inputNames.size()));
        for (qsizetype i = 0; i < inputNames.size(); ++i)
            byName.emplace_back(qHash(inputNames[i]), i);
        sortByHash(byName);
    }
    auto inputNamed = [&](const QString& name) -> qsizetype {
        const size_t h = qHash(name);
        auto it = std::lower_bound(byName.cbegin(), byName.cend(), std::make_pair(h, qsizetype(-1)));
        for (; it != byName.cend() && it->first == h; ++it)
            if (inputNames[it->second] == name)
                return it->second;
        return -1;
    };
    // The inputs' identities are only needed once an output exists already, which is rare.
    std::optional<FolderNames> outputsThere; // listed once an output is not found among the inputs by name
    QHash<QPair<quint64, quint64>, qsizetype> byIdentity;
    bool identified = false;
    for (qsizetype i = 0; i < inputNames.size(); ++i) {
        const QString name = outputName(i);
        if (name.isEmpty())
            continue;
        const QString out = outputDir + name;
        qsizetype j = byName.empty() ? -1 : inputNamed(name);
        if (j < 0 && !outputsThere)
            outputsThere.emplace(outputDir);
        if (j < 0 && outputsThere->mayHold(name)) {
            const FileStamp st = FileStamp::of(out);
            if (st.valid && !identified) {
                identified = true;
                for (qsizetype k = 0; k < inputNames.size(); ++k) {
                    const FileStamp in = FileStamp::of(inputDir + inputNames[k]);
                    if (in.valid)
                        byIdentity.insert({quint64(in.device), quint64(in.inode)}, k);
                }
            }
            if (st.valid)
                j = byIdentity.value({quint64(st.device), quint64(st.inode)}, -1);
        }
        if (j >= 0 && j != i)
            return {out, inputDir + inputNames[j]};
    }
    return {};
}

} // namespace OutputClash

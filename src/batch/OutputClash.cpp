#include "batch/OutputClash.h"

#include "files/FileIdentity.h"

#include <QHash>
#include <QPair>

namespace OutputClash {

Clash find(const QString& inputDir, const QStringList& inputNames, const QString& outputDir,
           const QStringList& outputNames) {
    QHash<QString, qsizetype> byPath;
    for (qsizetype i = 0; i < inputNames.size(); ++i)
        byPath.insert(inputDir + inputNames[i], i);
    // The inputs' identities are only needed once an output exists already, which is rare.
    QHash<QPair<quint64, quint64>, qsizetype> byIdentity;
    bool identified = false;
    for (qsizetype i = 0; i < outputNames.size(); ++i) {
        const QString out = outputDir + outputNames[i];
        qsizetype j = byPath.value(out, -1);
        if (j < 0) {
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

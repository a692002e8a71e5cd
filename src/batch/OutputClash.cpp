#include "batch/OutputClash.h"

#include "files/FileIdentity.h"

#include <QHash>
#include <QPair>

namespace OutputClash {

Clash find(const QString& inputDir, const QStringList& inputNames, const QString& outputDir,
           const QStringList& outputNames) {
    QHash<QString, qsizetype> byPath;
    QHash<QPair<quint64, quint64>, qsizetype> byIdentity;
    for (qsizetype i = 0; i < inputNames.size(); ++i) {
        byPath.insert(inputDir + inputNames[i], i);
        const FileStamp st = FileStamp::of(inputDir + inputNames[i]);
        if (st.valid)
            byIdentity.insert({quint64(st.device), quint64(st.inode)}, i);
    }
    for (qsizetype i = 0; i < outputNames.size(); ++i) {
        const QString out = outputDir + outputNames[i];
        qsizetype j = byPath.value(out, -1);
        if (j < 0) {
            const FileStamp st = FileStamp::of(out);
            if (st.valid)
                j = byIdentity.value({quint64(st.device), quint64(st.inode)}, -1);
        }
        if (j >= 0 && j != i)
            return {out, inputDir + inputNames[j]};
    }
    return {};
}

} // namespace OutputClash

#include "batch/NewFileGroup.h"

#include "batch/InPlaceFiles.h"
#include "batch/ResultCheck.h"
#include "platform/os/DiskTrace.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

void NewFileGroup::add(const QString& written, const QString& outputPath, qint64 bytes, bool replace) {
    if (written != outputPath)
        m_renames << Rename{written, outputPath, bytes, replace};
    m_folders.insert(QFileInfo(outputPath).absolutePath());
    m_anyPath = outputPath;
    ++m_files;
    m_bytes += bytes;
}

QList<NewFileGroup::Failure> NewFileGroup::commit(bool durable) {
    QList<Failure> failures;
    if (m_files == 0)
        return failures;
    // A result whose data may not be on disk must not take a name it could leave empty or cut short.
    const bool synced = !durable || ResultCheck::syncFileSystem(m_anyPath);
    for (const Rename& r : std::as_const(m_renames)) {
        if (!synced) {
            PathEntry::remove(r.from);
            failures << Failure{r.to, QString(), r.bytes};
        } else if (!PathEntry::rename(r.from, r.to, r.replace)) {
            failures << Failure{r.to, InPlaceFiles::keepAside(r.from, r.to), r.bytes};
        } else {
            DiskTrace::note(DiskTrace::Step::Rename, r.to);
        }
    }
    if (durable)
        for (const QString& folder : std::as_const(m_folders))
            ResultCheck::syncFolder(folder + QStringLiteral("/."));
    m_renames.clear();
    m_folders.clear();
    m_files = 0;
    m_bytes = 0;
    return failures;
}

#include "batch/NewFileGroup.h"

#include "batch/inplace/InPlaceFiles.h"
#include "batch/ResultCheck.h"
#include "files/FileProc.h"
#include "platform/engine/Engine.h"
#include "platform/os/DiskTrace.h"
#include "platform/os/OpenFileLimit.h"
#include "platform/os/PathEntry.h"
#include "platform/os/WriteBehind.h"

#include <QFileInfo>

#include <algorithm>

int NewFileGroup::maxUnnamed() {
    static const int most = [] {
        constexpr long kKeptFree = 1024;
        const long limit = OpenFileLimit::raiseTo(kMaxFiles + kKeptFree);
        return int(std::clamp<long>(std::max(limit / 4, limit - kKeptFree), 1, kMaxFiles));
    }();
    return most;
}

void NewFileGroup::add(const QString& written, const QString& outputPath, qint64 bytes, bool replace) {
    if (written != outputPath)
        m_waiting.push_back({written, UnnamedFile(), outputPath, bytes, replace});
    count(outputPath, bytes);
}

void NewFileGroup::add(UnnamedFile result, const QString& outputPath, qint64 bytes) {
    m_waiting.push_back({QString(), std::move(result), outputPath, bytes, false});
    ++m_unnamed;
    count(outputPath, bytes);
}

void NewFileGroup::count(const QString& outputPath, qint64 bytes) {
    m_folders.insert(QFileInfo(outputPath).absolutePath());
    m_anyPath = outputPath;
    ++m_files;
    // Every 1,024 results or 16 MiB the disk is set writing what the group holds so far, while the run goes on:
    // the group's own sync then finds little left to write.
    constexpr qint64 kStep = qint64(16) << 20;
    const bool step = m_files % 1024 == 0 || m_bytes / kStep != (m_bytes + bytes) / kStep;
    m_bytes += bytes;
    if (step && !isFull() && zq4e::default_file_options().sync) // a full group is synced at once anyway
        WriteBehind::start(outputPath);
}

bool NewFileGroup::name(const Waiting& w) {
    return w.unnamed.isOpen() ? w.unnamed.link(w.to) : PathEntry::rename(w.from, w.to, w.replace);
}

// The name was taken meanwhile: the result goes beside it, under the first free name of the output path followed
// by 1, 2, ... Where even that fails, the result goes (its input is untouched): a temporary name of ours would be
// taken for a leftover and removed by the next run.
QString NewFileGroup::keepAside(const Waiting& w) {
    if (!w.unnamed.isOpen()) {
        const QString aside = InPlaceFiles::keepAside(w.from, w.to);
        if (aside != w.from)
            return aside;
        PathEntry::remove(w.from);
        return {};
    }
    const QString aside = FileProc::NewFilePath(w.to);
    return !aside.isEmpty() && w.unnamed.link(aside) ? aside : QString();
}

QList<NewFileGroup::Failure> NewFileGroup::commit(bool durable) {
    QList<Failure> failures;
    if (m_files == 0)
        return failures;
    // A result whose data may not be on disk must not take a name it could leave empty or cut short.
    const bool synced = !durable || ResultCheck::syncFileSystem(m_anyPath);
    for (const Waiting& w : m_waiting) {
        if (!synced) {
            if (!w.unnamed.isOpen())
                PathEntry::remove(w.from);
            failures << Failure{w.to, QString(), w.bytes};
        } else if (!name(w)) {
            failures << Failure{w.to, keepAside(w), w.bytes};
        } else {
            DiskTrace::note(DiskTrace::Step::Rename, w.to);
        }
    }
    if (durable)
        for (const QString& folder : std::as_const(m_folders))
            ResultCheck::syncFolder(folder + QStringLiteral("/."));
    m_waiting.clear();
    m_folders.clear();
    m_files = 0;
    m_unnamed = 0;
    m_bytes = 0;
    return failures;
}

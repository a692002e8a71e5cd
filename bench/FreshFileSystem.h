#pragma once

// A file system made fresh for every timed run: ext4 on a file image attached to a loop device with direct I/O,
// its inode tables and journal written at once (nothing left for the kernel to initialise behind the run),
// mounted under the case's folder. A fresh one per run means no run meets the inodes another run freed a moment
// ago, which ext4 checks before it reuses one near them and which made a run after removals take up to twice as
// long. Without root (or without a loop device) a fresh, empty folder on the case's disk stands in, which the
// first fall-back says once on standard error.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <unistd.h>

namespace bench {

class FreshFileSystem {
public:
    // Images and mount points live in folder; each image holds `bytes` (sparse until written).
    FreshFileSystem(const QString& folder, qint64 bytes) : m_folder(folder), m_bytes(bytes) {}
    ~FreshFileSystem() { release(); }
    FreshFileSystem(const FreshFileSystem&) = delete;
    FreshFileSystem& operator=(const FreshFileSystem&) = delete;

    // Unmounts the one before, makes a new one and returns its root (or, in the fall-back, a new empty folder);
    // empty when neither could be made.
    QString make() {
        release();
        const QString mount = m_folder + QStringLiteral("/fs");
        if (s_loopWorks) {
            if (makeMounted(mount))
                return mount;
            s_loopWorks = false;
            std::fprintf(stderr, "# no loop device here (it needs root): every timed run writes to a fresh folder "
                                 "on the disk instead of a fresh file system\n");
        }
        QDir(mount).removeRecursively();
        return QDir().mkpath(mount) ? mount : QString();
    }

    // Unmounts and frees what make() made; what was written there is gone.
    void release() {
        if (!m_device.isEmpty()) {
            run(QStringLiteral("umount"), {m_folder + QStringLiteral("/fs")});
            run(QStringLiteral("losetup"), {QStringLiteral("-d"), m_device});
            m_device.clear();
        }
        QFile::remove(image());
        QDir(m_folder + QStringLiteral("/fs")).removeRecursively();
    }

    static bool onLoopDevice() { return s_loopWorks; }

private:
    QString image() const { return m_folder + QStringLiteral("/fs.img"); }

    bool makeMounted(const QString& mount) {
        if (::geteuid() != 0)
            return false;
        QFile img(image());
        if (!img.open(QIODevice::WriteOnly | QIODevice::Truncate) || !img.resize(m_bytes))
            return false;
        img.close();
        QByteArray device;
        if (!run(QStringLiteral("losetup"),
                 {QStringLiteral("-f"), QStringLiteral("--show"), QStringLiteral("--direct-io=on"), image()}, &device))
            return false;
        m_device = QString::fromLocal8Bit(device.trimmed());
        return run(QStringLiteral("mkfs.ext4"), {QStringLiteral("-q"), QStringLiteral("-F"), QStringLiteral("-E"),
                                                 QStringLiteral("lazy_itable_init=0,lazy_journal_init=0"), m_device}) &&
               QDir().mkpath(mount) && run(QStringLiteral("mount"), {m_device, mount});
    }

    static bool run(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
        QProcess p;
        p.setProcessChannelMode(QProcess::SeparateChannels);
        p.start(program, args);
        if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return false;
        if (out)
            *out = p.readAllStandardOutput();
        return true;
    }

    QString m_folder;
    qint64 m_bytes;
    QString m_device;
    static inline bool s_loopWorks = true;
};

} // namespace bench

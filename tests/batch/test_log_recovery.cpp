// What a run killed after a group's log was written left in the folder is acted on only where the file can be
// nothing but the writing back's work: a file the user edited, replaced or removed since keeps exactly what it
// holds, its times and mode, whatever run comes next; a file the writing back left half written is completed.
#include "batch/inplace/InPlaceLog.h"
#include "batch/inplace/Leftovers.h"
#include "files/FileProc.h"
#include "support/RunHarness.h"

#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
enum class Now {
    Intact,
    IntactReadOnly,
    HalfWritten,
    WrittenUncut,
    WrittenUntimed,
    ResultEdited,
    ResultAppended,
    OtherFile,
    Gone
};
enum class LogDamage { None, FlippedResultByte, CutShort };

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}
struct stat statOf(const QString& path) {
    struct stat st {};
    ::lstat(native(path).constData(), &st);
    return st;
}
qint64 modifiedNs(const struct stat& st) {
    return qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}
constexpr qint64 kOriginalTime = qint64(1600000000) * 1000000000 + 123456789;
} // namespace

class TestLogRecovery : public QObject {
    Q_OBJECT
    RunHarness h;

private slots:
    void initTestCase() { QVERIFY(h.start()); }
    void cleanupTestCase() { h.stop(); }

    void eachFileByWhatItIs_data() {
        QTest::addColumn<Now>("now");
        QTest::addColumn<LogDamage>("damage");
        // The next run's: one covering the name (the recovery it begins with), or runs of one other file of the
        // folder, in place and to a new file elsewhere.
        QTest::addColumn<QString>("spec");
        QTest::addColumn<bool>("resultThere"); // the file ends as the logged result
        QTest::addColumn<bool>("aside");       // the result is kept beside the file
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("foreign"); // the file is another user's (the run is root's, in a shared folder)
        const QString all = QStringLiteral("*.txt"), other = QStringLiteral("/unrelated.txt");
        QTest::newRow("intact, still read-only")
            << Now::IntactReadOnly << LogDamage::None << all << false << false << "original is intact" << false;
        QTest::newRow("intact") << Now::Intact << LogDamage::None << all << false << false << "original is intact"
                                << false;
        QTest::newRow("written whole, not yet cut to its length")
            << Now::WrittenUncut << LogDamage::None << all << true << false << "put it back" << false;
        QTest::newRow("half written") << Now::HalfWritten << LogDamage::None << all << true << false << "put it back"
                                      << false;
        QTest::newRow("written whole, times not yet given")
            << Now::WrittenUntimed << LogDamage::None << all << true << false << "" << false;
        QTest::newRow("edited after the kill, same size")
            << Now::ResultEdited << LogDamage::None << all << false << true << "has changed since" << false;
        QTest::newRow("a paragraph added after the kill")
            << Now::ResultAppended << LogDamage::None << all << false << true << "has changed since" << false;
        QTest::newRow("another file under the name")
            << Now::OtherFile << LogDamage::None << all << false << true << "has changed since" << false;
        QTest::newRow("removed after the kill")
            << Now::Gone << LogDamage::None << all << false << true << "no longer there" << false;
        // A run that does not cover the name leaves file and log alone, however the file looks.
        QTest::newRow("half written, a run of one other file")
            << Now::HalfWritten << LogDamage::None << other << false << false << "" << false;
        QTest::newRow("edited, a run of one other file")
            << Now::ResultAppended << LogDamage::None << other << false << false << "" << false;
        // A log that is not whole is not believed: nothing is written from it.
        QTest::newRow("one byte of the logged result flipped")
            << Now::HalfWritten << LogDamage::FlippedResultByte << all << false << false << "" << false;
        QTest::newRow("the log cut short")
            << Now::HalfWritten << LogDamage::CutShort << all << false << false << "" << false;
        // What the writing back could write, recovery finishes; a copy beside keeps the owner and mode.
        QTest::newRow("another user's file, half written")
            << Now::HalfWritten << LogDamage::None << all << true << false << "put it back" << true;
        QTest::newRow("another user's file, edited")
            << Now::ResultAppended << LogDamage::None << all << false << true << "has changed since" << true;
    }
    void eachFileByWhatItIs() {
        QFETCH(Now, now);
        QFETCH(LogDamage, damage);
        QFETCH(QString, spec);
        QFETCH(bool, resultThere);
        QFETCH(bool, aside);
        QFETCH(QString, line);
        QFETCH(bool, foreign);
        if (foreign && ::geteuid() != 0)
            QSKIP("Files of another user can only be made by root.");
        const QString d = h.newFolder(), f = d + "f05.txt";
        // A decryption's write-back: the original longer than its result, read-only as the user had it.
        const QByteArray original = TestSupport::pseudoRandomBytes(5000, 5),
                         result = TestSupport::pseudoRandomBytes(3300, 6);
        QVERIFY(TestSupport::writeFile(f, original));
        const struct timespec times[2] = {{1600000000, 0}, {1600000000, 123456789}};
        QCOMPARE(::utimensat(AT_FDCWD, native(f).constData(), times, 0), 0);
        QCOMPARE(::chmod(native(f).constData(), 0440), 0);
        const struct stat was = statOf(f);
        InPlaceLog::Entry e;
        e.encrypt = false;
        e.name = "f05.txt";
        e.originalSize = original.size();
        e.originalModifiedNs = kOriginalTime;
        e.originalAccessedNs = qint64(1600000000) * 1000000000;
        e.mode = 0440;
        e.device = was.st_dev;
        e.inode = was.st_ino;
        e.originalDigests = InPlaceLog::digestsOf(original, result.size());
        e.result = result;
        QCOMPARE(InPlaceLog::write(InPlaceLog::path(d), {e}), 0);
        if (damage != LogDamage::None) {
            QByteArray log = TestSupport::readFile(InPlaceLog::path(d));
            if (damage == LogDamage::FlippedResultByte)
                log[log.size() - e.originalDigests.size() - 100] ^= 1;
            else
                log.chop(e.originalDigests.size() + 10);
            QVERIFY(TestSupport::writeFile(InPlaceLog::path(d), log));
        }

        // What the kill and the user left. The writing back made the read-only file writable for itself.
        if (now != Now::IntactReadOnly)
            QCOMPARE(::chmod(native(f).constData(), 0640), 0);
        QByteArray left = original;
        if (now == Now::HalfWritten)
            left = result.left(2048) + original.mid(2048);
        if (now == Now::WrittenUncut)
            left = result + original.mid(result.size());
        if (now == Now::WrittenUntimed || now == Now::ResultEdited || now == Now::ResultAppended)
            left = result;
        if (now == Now::ResultEdited)
            left[1000] = 'x';
        if (now == Now::ResultAppended)
            left += "\nA paragraph the user added.\n";
        if (now == Now::OtherFile) {
            // Even a copy of a half-written file is not the file the writing back wrote.
            left = result.left(2048) + original.mid(2048);
            QVERIFY(TestSupport::writeFile(f + ".copy", left));
            QCOMPARE(::rename(native(f + ".copy").constData(), native(f).constData()), 0);
        }
        if (now != Now::Intact && now != Now::IntactReadOnly && now != Now::Gone && now != Now::OtherFile)
            QVERIFY(TestSupport::writeFile(f, left));
        if (now == Now::Gone)
            QVERIFY(QFile::remove(f));
        if (foreign)
            QCOMPARE(::chown(native(f).constData(), 65534, 65534), 0);
        const struct stat before = statOf(f);

        QString report;
        if (spec == all()) {
            report = Leftovers::recover(d, spec).lines.join(QLatin1Char('\n'));
        } else {
            QVERIFY(TestSupport::writeFile(d + "unrelated.txt", "a file of the next run"));
            // The folder spelled another way: what recovery keeps is still known for what it is.
            h.process(d + "./", spec, d + "./", spec, true);
            QCOMPARE(h.run->intFilesProcessed, 1);
            h.process(d, spec, h.newFolder(), FileProc::AddedExtensionSpec("enc"), false);
            report = h.report();
        }
        QVERIFY2(line.isEmpty() || report.contains(line), qPrintable(report));

        const QByteArray after = TestSupport::readFile(f);
        const struct stat st = statOf(f);
        if (resultThere) {
            QCOMPARE(after, result);
            QCOMPARE(st.st_uid, before.st_uid);
            QCOMPARE(modifiedNs(st), kOriginalTime);
            QCOMPARE(st.st_mode & 07777, mode_t(0440));
        } else if (now != Now::Gone) {
            // Exactly as it was: contents, time, mode (an intact original gets its mode back).
            QCOMPARE(after, left);
            QCOMPARE(modifiedNs(st), modifiedNs(before));
            const bool intact = now == Now::Intact || now == Now::IntactReadOnly;
            QCOMPARE(st.st_mode & 07777, intact && spec == all() ? mode_t(0440) : before.st_mode & 07777);
        }
        const QStringList kept = QDir(d).entryList({"f05.txt.recovered*"}, QDir::Files);
        QCOMPARE(kept.size(), aside ? 1 : 0);
        if (aside) {
            QCOMPARE(TestSupport::readFile(d + kept.first()), result);
            QCOMPARE(statOf(d + kept.first()).st_uid, now == Now::Gone ? ::geteuid() : before.st_uid);
            QCOMPARE(statOf(d + kept.first()).st_mode & 07777,
                     now == Now::Gone ? mode_t(0600) : before.st_mode & 07777);
        }
        // A log a covering run settled is gone; one it did not cover stays for a run that does.
        QCOMPARE(QFileInfo::exists(InPlaceLog::path(d)), spec != all() && damage == LogDamage::None);
    }

    // A log or journal name that leads to a user's file (a link, a second name) is never written, emptied or
    // removed through, and does not keep the run from working in the folder: it takes a name of its own.
    void ourNamesNeverWriteThroughToAUsersFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("ourName");
        QTest::newRow("log is a symbolic link") << "symlink"
                                                << ".zq4e-log";
        QTest::newRow("log is a second name of the file") << "hardlink"
                                                          << ".zq4e-log";
        QTest::newRow("journal is a symbolic link") << "symlink"
                                                    << ".zq4e-journal";
        QTest::newRow("journal is a second name of the file") << "hardlink"
                                                              << ".zq4e-journal";
        QTest::newRow("log is another user's") << "foreign"
                                               << ".zq4e-log";
        QTest::newRow("journal is another user's") << "foreign"
                                                   << ".zq4e-journal";
    }
    void ourNamesNeverWriteThroughToAUsersFile() {
        QFETCH(QString, kind);
        QFETCH(QString, ourName);
        const QString d = h.newFolder();
        QString users = h.newFolder() + "notes";
        const QByteArray notes = "the user's notes";
        QVERIFY(TestSupport::writeFile(users, notes));
        const QByteArray target = native(users), link = native(d + ourName);
        if (kind == "foreign") {
            if (::geteuid() != 0)
                QSKIP("Files of another user can only be made by root.");
            // Planted in a shared folder by someone else.
            QCOMPARE(::chmod(native(d).constData(), 01777), 0);
            QVERIFY(QFile::copy(users, d + ourName));
            QCOMPARE(::chown(link.constData(), 65534, 65534), 0);
            users = d + ourName;
        } else {
            QCOMPARE(kind == "symlink" ? ::symlink(target.constData(), link.constData())
                                       : ::link(target.constData(), link.constData()),
                     0);
        }
        InPlaceLog::Entry e;
        e.name = "a.txt";
        e.result = "a result";
        QVERIFY(InPlaceLog::write(d + ourName, {e}) != 0);
        InPlaceLog::clear(d + ourName);
        InPlaceLog::remove(d + ourName);
        QCOMPARE(TestSupport::readFile(users), notes);
        QVERIFY(QFileInfo::exists(d + ourName) || QFileInfo(d + ourName).isSymLink());

        // A run in place over the folder: a small file (through the log) and a large one (through the journal).
        QVERIFY(TestSupport::writeFile(d + "a.txt", "small"));
        QVERIFY(TestSupport::writeFile(d + "b.txt", TestSupport::pseudoRandomBytes(3 << 20, 2)));
        h.process(d, "*.txt", d, "*.txt", true);
        QVERIFY2(h.run->intFilesProcessed == 2, qPrintable(h.report()));
        QVERIFY2(h.report().contains("use another name"), qPrintable(h.report()));
        QCOMPARE(TestSupport::readFile(users), notes);
        QCOMPARE(QDir(d).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList({ourName, "a.txt", "b.txt"}));
    }

    // As root over another user's file: the result is the run's own until the journal names it, so that a kill
    // before then leaves a hidden file the next run may remove; the result ends as the original's owner's.
    void aResultBecomesAnotherUsersOnlyOnceTheJournalNamesIt() {
        if (::geteuid() != 0)
            QSKIP("Files of another user can only be made by root.");
        const QString d = h.newFolder();
        QVERIFY(TestSupport::writeFile(d + "big.txt", TestSupport::pseudoRandomBytes(3 << 20, 4)));
        QCOMPARE(::chown(native(d + "big.txt").constData(), 65534, 65534), 0);
        QList<uid_t> resultOwners;
        h.ctx->afterResultChecked = [&](const QString&) {
            for (const QString& name : QDir(d).entryList({".zq4e-*.tmp"}, QDir::Files | QDir::Hidden))
                resultOwners << statOf(d + name).st_uid;
        };
        h.process(d, "*.txt", d, "*.txt", true);
        h.ctx->afterResultChecked = nullptr;
        QVERIFY2(h.run->intFilesProcessed == 1, qPrintable(h.report()));
        QCOMPARE(resultOwners, QList<uid_t>{::geteuid()});
        QCOMPARE(statOf(d + "big.txt").st_uid, uid_t(65534));
    }

private:
    static QString all() { return QStringLiteral("*.txt"); }
};

QTEST_GUILESS_MAIN(TestLogRecovery)
#include "test_log_recovery.moc"

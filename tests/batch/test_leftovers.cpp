// What a killed run left is put right only where it is the user's own: in a folder others may write to, a journal
// or temporary file planted by someone else, a link under our names, a file without our header or a name the run
// does not cover is left alone.
#include "batch/inplace/InPlaceJournal.h"
#include "support/RunHarness.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {
enum class Journal { None, Own, Foreign, Link };
enum class Temp { Result, ForeignResult, GivenToOwner, LinkToResult, NoHeader };
constexpr uid_t kOtherUser = 65534;
const QString kOurTemp = QStringLiteral(".zq4e-0123456789abcdef.tmp");

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}
bool present(const QString& path) {
    struct stat st {};
    return ::lstat(native(path).constData(), &st) == 0;
}
} // namespace

class TestLeftovers : public QObject {
    Q_OBJECT
    RunHarness h;

private slots:
    void initTestCase() { QVERIFY(h.start()); }
    void cleanupTestCase() { h.stop(); }

    void recoveryActsOnlyOnItsOwn_data() {
        QTest::addColumn<Journal>("journal");
        QTest::addColumn<QString>("tempName");
        QTest::addColumn<Temp>("temp");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("putBack"); // the result now holds the original's name
        QTest::addColumn<bool>("tempKept");
        // A complete result whose original was purged just before a kill comes back.
        QTest::newRow("own journal and result") << Journal::Own << kOurTemp << Temp::Result << "b.txt" << true << false;
        QTest::newRow("another user's journal")
            << Journal::Foreign << kOurTemp << Temp::Result << "b.txt" << false << false;
        QTest::newRow("journal is a link") << Journal::Link << kOurTemp << Temp::Result << "b.txt" << false << false;
        QTest::newRow("result is another user's")
            << Journal::Own << kOurTemp << Temp::ForeignResult << "b.txt" << false << true;
        // As root, the run gives a result its original's owner; the journal says so, and the result comes back.
        QTest::newRow("result given the original's owner")
            << Journal::Own << kOurTemp << Temp::GivenToOwner << "b.txt" << true << false;
        QTest::newRow("result is a link") << Journal::Own << kOurTemp << Temp::LinkToResult << "b.txt" << false << true;
        QTest::newRow("result without our header")
            << Journal::Own << kOurTemp << Temp::NoHeader << "b.txt" << false << false;
        QTest::newRow("a user's file named as the result")
            << Journal::Own << "a.txt" << Temp::Result << "b.txt" << false << true;
        QTest::newRow("name the run does not cover")
            << Journal::Own << kOurTemp << Temp::Result << "b.dat" << false << true;
        // Temporary files no journal vouches for: only those of our exact naming that are ours go.
        QTest::newRow("own temporary") << Journal::None << kOurTemp << Temp::Result << "b.txt" << false << false;
        QTest::newRow("a user's .zq4e-notes.tmp")
            << Journal::None << ".zq4e-notes.tmp" << Temp::Result << "b.txt" << false << true;
        QTest::newRow("another user's temporary")
            << Journal::None << kOurTemp << Temp::ForeignResult << "b.txt" << false << true;
        QTest::newRow("temporary is a link")
            << Journal::None << kOurTemp << Temp::LinkToResult << "b.txt" << false << true;
    }
    void recoveryActsOnlyOnItsOwn() {
        QFETCH(Journal, journal);
        QFETCH(QString, tempName);
        QFETCH(Temp, temp);
        QFETCH(QString, name);
        QFETCH(bool, putBack);
        QFETCH(bool, tempKept);
        if ((journal == Journal::Foreign || temp == Temp::ForeignResult || temp == Temp::GivenToOwner) &&
            ::geteuid() != 0)
            QSKIP("Files of another user can only be planted by root.");
        // A shared folder, as /tmp is; the original was purged just before the kill.
        const QString d = h.newFolder(), elsewhere = h.newFolder();
        QCOMPARE(::chmod(native(d).constData(), 01777), 0);
        QVERIFY(TestSupport::writeFile(elsewhere + "plain", "the original's contents"));
        const QString result = temp == Temp::LinkToResult ? elsewhere + "result" : d + tempName;
        zq4e::operation_initialization(RunHarness::kKey, 1, 0, 0);
        QCOMPARE(zq4e::encrypt_file(elsewhere + "plain", result), 0);
        const qint64 size = QFileInfo(result).size();
        if (temp == Temp::NoHeader)
            QVERIFY(TestSupport::writeFile(result, TestSupport::pseudoRandomBytes(size, 3)));
        if (temp == Temp::ForeignResult || temp == Temp::GivenToOwner)
            QCOMPARE(::chown(native(result).constData(), kOtherUser, kOtherUser), 0);
        if (temp == Temp::LinkToResult)
            QCOMPARE(::symlink(native(result).constData(), native(d + tempName).constData()), 0);

        InPlaceJournal::Entry e;
        e.tempName = tempName;
        e.name = name;
        e.resultSize = size;
        e.originalSize = 23;
        if (temp == Temp::GivenToOwner)
            e.resultOwner = kOtherUser;
        if (journal == Journal::Own || journal == Journal::Foreign)
            QVERIFY(InPlaceJournal::write(d, {e}, false));
        if (journal == Journal::Foreign)
            QCOMPARE(::chown(native(InPlaceJournal::path(d)).constData(), kOtherUser, kOtherUser), 0);
        if (journal == Journal::Link) {
            QVERIFY(InPlaceJournal::write(elsewhere, {e}, false));
            QCOMPARE(::symlink(native(InPlaceJournal::path(elsewhere)).constData(),
                               native(InPlaceJournal::path(d)).constData()),
                     0);
        }

        // A file for the run itself, whose journal must not go into another user's file.
        QVERIFY(TestSupport::writeFile(d + "c.txt", "to be encrypted"));
        const QByteArray journalBefore = TestSupport::readFile(InPlaceJournal::path(d));

        h.process(d, "*.txt", d, "*.txt", true);
        QVERIFY2(present(d + name) == putBack, qPrintable(h.report()));
        QVERIFY2(present(d + tempName) == tempKept, qPrintable(h.report()));
        if (journal == Journal::Foreign)
            QCOMPARE(TestSupport::readFile(InPlaceJournal::path(d)), journalBefore);
        if (temp == Temp::LinkToResult)
            QCOMPARE(QFileInfo(result).size(), size);
    }

    // A result left for a name the run does not cover stays vouched for while that run works in the folder, and a
    // later run that covers the name puts it back.
    void aResultWaitsForARunThatCoversIt() {
        const QString d = h.newFolder(), elsewhere = h.newFolder();
        QVERIFY(TestSupport::writeFile(elsewhere + "plain", "the original's contents"));
        zq4e::operation_initialization(RunHarness::kKey, 1, 0, 0);
        QCOMPARE(zq4e::encrypt_file(elsewhere + "plain", d + kOurTemp), 0);
        InPlaceJournal::Entry e;
        e.tempName = kOurTemp;
        e.name = QStringLiteral("b.dat");
        e.resultSize = QFileInfo(d + kOurTemp).size();
        QVERIFY(InPlaceJournal::write(d, {e}, false));
        QVERIFY(TestSupport::writeFile(d + "c.txt", "to be encrypted"));
        h.process(d, "*.txt", d, "*.txt", true);
        QCOMPARE(h.run->intFilesProcessed, 1);
        h.process(d, "*.dat", d, "*.dat", true);
        QVERIFY2(present(d + "b.dat") && !present(d + kOurTemp), qPrintable(h.report()));
    }
};

QTEST_GUILESS_MAIN(TestLeftovers)
#include "test_leftovers.moc"

#include "platform/engine/Engine.h"
#include "platform/engine/FreshBytes.h"
#include "platform/os/UnnamedFile.h"
#include "support/CipherFileWriter.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace zq4e;

namespace {

const QByteArray kKey = QByteArrayLiteral("CORRECT-HORSE-BATTERY-STAPLE-0123456789-ABCDEFGHIJKLMNOPQRSTUVWX");
const QByteArray kOtherKey = QByteArrayLiteral("WRONG-HORSE-BATTERY-STAPLE-0123456789-ABCDEFGHIJKLMNOPQRSTUVWXYZ");
constexpr qsizetype kSeg = 65536;

qsizetype segmentsFor(qsizetype n, qsizetype seg = kSeg) {
    return n == 0 ? 1 : (n + seg - 1) / seg;
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_dir;

    QString at(const QString& name) const { return m_dir.filePath(name); }
    bool put(const QString& name, const QByteArray& bytes) { return TestSupport::writeFile(at(name), bytes); }
    QByteArray get(const QString& name) const { return TestSupport::readFile(at(name)); }
    bool exists(const QString& name) const { return QFileInfo::exists(at(name)); }
    // Files left in the working folder apart from the ones named (catches stray temporary files).
    QStringList leftovers(const QStringList& expected) const {
        QStringList all = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& e : expected)
            all.removeAll(e);
        return all;
    }
    int encrypt(const QString& in, const QString& out, const QByteArray& key = kKey) {
        operation_initialization(key, 1, QFileInfo(at(in)).size(), 0);
        return encrypt_file(at(in), at(out));
    }
    int decrypt(const QString& in, const QString& out, const QByteArray& key = kKey) {
        operation_initialization(key, 0, QFileInfo(at(in)).size(), 0);
        return decrypt_file(at(in), at(out));
    }
    void clean() {
        for (const QString& f : QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System))
            QFile::remove(at(f));
    }

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        QVERIFY(m_dir.isValid());
        QVERIFY(allocate_buffers() != 0);
        set_sync_output(false);
    }
    void cleanupTestCase() { deallocate_buffers(); }
    void cleanup() { clean(); }

    void roundTripRestoresTheBytes_data() {
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<bool>("sync");
        QTest::newRow("empty") << qsizetype(0) << false;
        QTest::newRow("1 byte") << qsizetype(1) << false;
        QTest::newRow("segment - 1") << kSeg - 1 << false;
        QTest::newRow("segment") << kSeg << true;
        QTest::newRow("segment + 1") << kSeg + 1 << false;
        QTest::newRow("3 segments + 1") << 3 * kSeg + 1 << false;
        QTest::newRow("one read batch") << 63 * kSeg << false;
        QTest::newRow("batch + 1 segment") << 64 * kSeg << false;
        QTest::newRow("batch + 1 segment + 1") << 64 * kSeg + 1 << false;
        QTest::newRow("5 MiB + 7, synced") << qsizetype(5 << 20) + 7 << true;
        // Written behind and let go of from the page cache as it goes.
        QTest::newRow("53 MiB + 3, synced") << qsizetype(53 << 20) + 3 << true;
    }
    void roundTripRestoresTheBytes() {
        QFETCH(qsizetype, size);
        QFETCH(bool, sync);
        set_sync_output(sync);
        const QByteArray plain = TestSupport::pseudoRandomBytes(size, quint32(size) + 7);
        QVERIFY(put("plain", plain));
        const QDateTime mtime = QFileInfo(at("plain")).lastModified();
        QCOMPARE(encrypt("plain", "cipher"), 0);
        const QByteArray cipher = get("cipher");
        QCOMPARE(cipher.size(), 64 + size + 16 * segmentsFor(size));
        QCOMPARE(cipher.left(12), QByteArray("ZQ4E\x01\x01\x10\x11\x08\x01\x00\x00", 12));
        QCOMPARE(cipher.mid(51, 13), QByteArray(13, '\0'));
        QCOMPARE(decrypt("cipher", "back"), 0);
        set_sync_output(false);
        QCOMPARE(get("back"), plain);
        QCOMPARE(get("plain"), plain);
        QCOMPARE(QFileInfo(at("plain")).lastModified(), mtime);
        QCOMPARE(get("cipher"), cipher);
        QCOMPARE(leftovers({"plain", "cipher", "back"}), QStringList());
    }

    // The engine and an independent implementation of the format must read each other's files.
    void writesAndReadsTheDocumentedFormat_data() {
        QTest::addColumn<qsizetype>("size");
        QTest::newRow("one batch") << 2 * kSeg + 100;
        QTest::newRow("three batches") << 150 * kSeg + 5;
    }
    void writesAndReadsTheDocumentedFormat() {
        QFETCH(qsizetype, size);
        const QByteArray plain = TestSupport::pseudoRandomBytes(size, 3);
        QVERIFY(put("plain", plain));
        QCOMPARE(encrypt("plain", "cipher"), 0);
        const auto opened = CipherFileWriter::decrypt(kKey, get("cipher"));
        QVERIFY(opened.has_value());
        QCOMPARE(*opened, plain);
    }

    // Files of the format as it was first written, kept in the repository with their key and plaintext: the
    // engine must read them, and the plain second writer must write them byte for byte, so a change to both at
    // once (a label, an order, a nonce) cannot pass unseen, nor can a change that leaves earlier files unreadable.
    void readsTheFormatsFixedFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << "empty";
        QTest::newRow("exactly one segment") << "one-segment";
        QTest::newRow("one segment and one byte") << "one-segment-and-a-byte";
        QTest::newRow("three segments and some") << "three-segments";
    }
    void readsTheFormatsFixedFiles() {
        QFETCH(QString, name);
        const QString dir = QFINDTESTDATA("../data/format-v1");
        QVERIFY2(!dir.isEmpty(), "tests/data/format-v1 not found");
        const QByteArray key = TestSupport::readFile(dir + "/key.txt").trimmed();
        const QByteArray file = TestSupport::readFile(dir + "/" + name + ".zq4e");
        const QByteArray plain = TestSupport::readFile(dir + "/" + name + ".plain");
        QCOMPARE(key.size(), 64);
        QVERIFY(!file.isEmpty());
        QVERIFY(put("fixed", file));
        QCOMPARE(decrypt("fixed", "back", key), 0);
        QCOMPARE(get("back"), plain);
        CipherFileWriter::Layout layout;
        layout.segmentLog2 = 12;
        QCOMPARE(CipherFileWriter::encrypt(key, plain, layout), file);
    }

    void readsOtherSaneLayouts_data() {
        QTest::addColumn<int>("segmentLog2");
        QTest::addColumn<int>("log2N");
        QTest::addColumn<int>("r");
        QTest::addColumn<int>("p");
        QTest::addColumn<qsizetype>("size");
        QTest::newRow("4 KiB segments") << 12 << 10 << 1 << 1 << qsizetype(5 * 4096 + 3);
        QTest::newRow("16 MiB segments") << 24 << 10 << 1 << 1 << qsizetype((16 << 20) + 1);
        QTest::newRow("r 2 p 2") << 16 << 11 << 2 << 2 << qsizetype(70000);
    }
    void readsOtherSaneLayouts() {
        QFETCH(int, segmentLog2);
        QFETCH(int, log2N);
        QFETCH(int, r);
        QFETCH(int, p);
        QFETCH(qsizetype, size);
        CipherFileWriter::Layout l;
        l.segmentLog2 = segmentLog2;
        l.scryptLog2N = log2N;
        l.scryptR = r;
        l.scryptP = p;
        const QByteArray plain = TestSupport::pseudoRandomBytes(size, 11);
        QVERIFY(put("cipher", CipherFileWriter::encrypt(kKey, plain, l)));
        QCOMPARE(decrypt("cipher", "back"), 0);
        QCOMPARE(get("back"), plain);
    }

    void oneKdfSaltPerKeyPerSession() {
        QVERIFY(put("a", "first"));
        QVERIFY(put("b", "second"));
        QCOMPARE(encrypt("a", "a.enc"), 0);
        const qint64 cached = cached_master_keys();
        QCOMPARE(encrypt("b", "b.enc"), 0);
        QCOMPARE(cached_master_keys(), cached); // no second derivation
        const QByteArray a = get("a.enc"), b = get("b.enc");
        QCOMPARE(a.mid(12, 16), b.mid(12, 16));
        QVERIFY(a.mid(28, 16) != b.mid(28, 16)); // file salt
        QVERIFY(a.mid(44, 7) != b.mid(44, 7));   // nonce prefix
    }

    // A file's salt and nonce prefix come from a pool of random bytes: no draw repeats another, across refills of
    // the pool, nor does a child forked from the process hand out the bytes its parent goes on to hand out.
    void freshBytesNeverRepeat() {
        QSet<QByteArray> seen;
        for (int i = 0; i < 200; ++i) {
            QByteArray b(23, '\0');
            QVERIFY(freshBytes(reinterpret_cast<std::uint8_t*>(b.data()), std::size_t(b.size())));
            seen.insert(b);
        }
        QCOMPARE(seen.size(), 200);
        int fds[2];
        QVERIFY(::pipe(fds) == 0);
        const pid_t child = ::fork();
        if (child == 0) {
            std::uint8_t b[23];
            const bool ok = freshBytes(b, sizeof b) && ::write(fds[1], b, sizeof b) == ssize_t(sizeof b);
            ::_exit(ok ? 0 : 1);
        }
        QVERIFY(child > 0);
        ::close(fds[1]);
        QByteArray parent(23, '\0'), fromChild(23, '\0');
        QVERIFY(freshBytes(reinterpret_cast<std::uint8_t*>(parent.data()), std::size_t(parent.size())));
        QCOMPARE(::read(fds[0], fromChild.data(), std::size_t(fromChild.size())), ssize_t(fromChild.size()));
        ::close(fds[0]);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        QVERIFY(parent != fromChild);
        QVERIFY(!seen.contains(parent) && !seen.contains(fromChild));
    }

    // The session's key derived on a thread of its own before the first file: that file, and the next, use what it
    // derived (no second derivation), and what they wrote opens with the key derived afresh.
    void aKeyDerivedAheadIsUsedAndIsTheKey_data() {
        QTest::addColumn<QByteArray>("firstAsked");
        QTest::addColumn<bool>("erasedBeforeUse");
        QTest::newRow("the key") << QByteArray("the key derived ahead") << false;
        QTest::newRow("another key asked for meanwhile") << QByteArray("a key asked for before") << false;
        QTest::newRow("erased before its first file") << QByteArray("the key derived ahead") << true;
    }
    void aKeyDerivedAheadIsUsedAndIsTheKey() {
        QFETCH(QByteArray, firstAsked);
        QFETCH(bool, erasedBeforeUse);
        const QByteArray key("the key derived ahead");
        erase_key();
        const qint64 before = key_derivations();
        prepare_encryption(firstAsked);
        prepare_encryption(key);
        prepare_encryption(key); // on its way already: nothing more
        const qint64 begun = before + (firstAsked == key ? 1 : 2);
        QCOMPARE(key_derivations(), begun);
        if (erasedBeforeUse)
            erase_key();
        QVERIFY(put("a", "first file"));
        QVERIFY(put("b", TestSupport::pseudoRandomBytes(3 * kSeg, 4)));
        QCOMPARE(encrypt("a", "a.enc", key), 0);
        QCOMPARE(encrypt("b", "b.enc", key), 0);
        QCOMPARE(key_derivations(), begun + (erasedBeforeUse ? 1 : 0));
        erase_key();
        QCOMPARE(decrypt("a.enc", "a.back", key), 0);
        QCOMPARE(decrypt("b.enc", "b.back", key), 0);
        QCOMPARE(get("a.back"), get("a"));
        QCOMPARE(get("b.back"), get("b"));
        QCOMPARE(decrypt("a.enc", "a.wrong", firstAsked == key ? kOtherKey : firstAsked), int(InvalidCipherFile));
    }

    void wrongKeyLeavesNoOutput() {
        QVERIFY(put("plain", TestSupport::pseudoRandomBytes(3 * kSeg, 5)));
        QCOMPARE(encrypt("plain", "cipher"), 0);
        QCOMPARE(decrypt("cipher", "back", kOtherKey), int(InvalidCipherFile));
        QVERIFY(!exists("back"));
        // A file already at the output path survives a failed decryption untouched.
        QVERIFY(put("back", "keep me"));
        QCOMPARE(decrypt("cipher", "back", kOtherKey), int(InvalidCipherFile));
        QCOMPARE(get("back"), QByteArray("keep me"));
        QCOMPARE(leftovers({"plain", "cipher", "back"}), QStringList());
    }

    void foreignFilesAreRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray head = CipherFileWriter::header({});
        QTest::newRow("text") << QByteArray("Dear diary, today I encrypted nothing at all. ").repeated(50);
        QTest::newRow("random") << TestSupport::pseudoRandomBytes(5000, 9);
        QTest::newRow("2 bytes") << QByteArray("ZQ");
        QTest::newRow("63 bytes of header") << head.left(63);
        QTest::newRow("header alone") << head;
        QTest::newRow("header + 15 bytes") << head + QByteArray(15, 'x');
        QTest::newRow("header + empty-looking segment") << head + QByteArray(16, 'x');
        QTest::newRow("header + garbage") << head + TestSupport::pseudoRandomBytes(70000, 2);
    }
    void foreignFilesAreRefused() {
        QFETCH(QByteArray, bytes);
        QVERIFY(put("foreign", bytes));
        QCOMPARE(decrypt("foreign", "back"), int(InvalidCipherFile));
        QVERIFY(!exists("back"));
        QCOMPARE(get("foreign"), bytes);
    }

    // Every header byte matters: fields are validated before any key is derived, the salts and the nonce
    // prefix feed the file key.
    void everyHeaderByteIsChecked() {
        const QByteArray file = CipherFileWriter::encrypt(kKey, TestSupport::pseudoRandomBytes(2 * kSeg + 1, 4));
        QVERIFY(put("good", file));
        QCOMPARE(decrypt("good", "back"), 0);
        for (int i = 0; i < 64; ++i) {
            QByteArray bad = file;
            bad[i] = char(bad[i] ^ 0x80);
            QVERIFY(put("bad", bad));
            const qint64 before = cached_master_keys();
            QVERIFY2(decrypt("bad", "back2") == InvalidCipherFile, qPrintable(QString::number(i)));
            QVERIFY2(!exists("back2"), qPrintable(QString::number(i)));
            const bool validated = i < 12 || i >= 51;
            if (validated)
                QVERIFY2(cached_master_keys() == before, qPrintable(QString::number(i)));
        }
    }

    void outOfBoundsLayoutsAreRefusedBeforeDeriving_data() {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("value");
        QTest::newRow("segment 2^11") << 6 << 11;
        QTest::newRow("segment 2^25") << 6 << 25;
        QTest::newRow("N 2^9") << 7 << 9;
        QTest::newRow("N 2^23") << 7 << 23;
        QTest::newRow("r 0") << 8 << 0;
        QTest::newRow("r 33") << 8 << 33;
        QTest::newRow("p 0") << 9 << 0;
        QTest::newRow("p 17") << 9 << 17;
        QTest::newRow("version 2") << 4 << 2;
        QTest::newRow("algorithm 2") << 5 << 2;
    }
    void outOfBoundsLayoutsAreRefusedBeforeDeriving() {
        QFETCH(int, offset);
        QFETCH(int, value);
        QByteArray file = CipherFileWriter::encrypt(kKey, "some plaintext");
        file[offset] = char(value);
        QVERIFY(put("bad", file));
        const qint64 before = cached_master_keys();
        QCOMPARE(decrypt("bad", "back"), int(InvalidCipherFile));
        QCOMPARE(cached_master_keys(), before);
        QVERIFY(!exists("back"));
    }

    // A crafted header may not ask for much more memory or work than we spend ourselves.
    void scryptCostsAreBounded_data() {
        QTest::addColumn<int>("log2N");
        QTest::addColumn<int>("r");
        QTest::addColumn<int>("p");
        QTest::newRow("4 GiB of memory") << 22 << 8 << 1;
        QTest::newRow("16 times the work") << 17 << 8 << 16;
    }
    void scryptCostsAreBounded() {
        QFETCH(int, log2N);
        QFETCH(int, r);
        QFETCH(int, p);
        CipherFileWriter::Layout l;
        l.scryptLog2N = log2N;
        l.scryptR = r;
        l.scryptP = p;
        QByteArray file = CipherFileWriter::encrypt(kKey, "x");
        file.replace(0, 64, CipherFileWriter::header(l));
        QVERIFY(put("greedy", file));
        const qint64 before = cached_master_keys();
        QCOMPARE(decrypt("greedy", "back"), int(InvalidCipherFile));
        QCOMPARE(cached_master_keys(), before);
    }

    // Damage after the header: the output keeps exactly the plaintext of the segments before the first bad one.
    void damagedSegments_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("segmentsKept");
        QTest::newRow("cut at boundary 1") << "cut:1:0" << -8 << 0;
        QTest::newRow("cut before boundary 1") << "cut:1:-1" << -8 << 0;
        QTest::newRow("cut after boundary 1") << "cut:1:1" << -18 << 1;
        QTest::newRow("cut at boundary 2") << "cut:2:0" << -21 << 1;
        QTest::newRow("cut before boundary 2") << "cut:2:-1" << -21 << 1;
        QTest::newRow("cut after boundary 2") << "cut:2:1" << -18 << 2;
        QTest::newRow("cut at boundary 3") << "cut:3:0" << -21 << 2;
        QTest::newRow("cut after boundary 3") << "cut:3:1" << -18 << 3;
        QTest::newRow("last byte missing") << "cut:3:16" << -18 << 3;
        QTest::newRow("1 byte appended") << "append:1" << -21 << 3;
        QTest::newRow("a segment appended") << "append:4112" << -22 << 3;
        QTest::newRow("much appended") << "append:100000" << -29 << 3;
        QTest::newRow("segments 1 and 2 swapped") << "swap:1" << -22 << 1;
        QTest::newRow("segments 0 and 1 swapped") << "swap:0" << -8 << 0;
        QTest::newRow("segment 1 dropped") << "drop:1" << -22 << 1;
        QTest::newRow("segment 1 repeated") << "repeat:1" << -23 << 2;
        QTest::newRow("bit flip in segment 0") << "flip:0" << -8 << 0;
        QTest::newRow("bit flip in segment 2") << "flip:2" << -21 << 2;
        QTest::newRow("bit flip in the final tag") << "flip:3" << -21 << 3;
    }
    void damagedSegments() {
        QFETCH(QString, damage);
        QFETCH(int, code);
        QFETCH(int, segmentsKept);
        constexpr qsizetype seg = 4096, stride = seg + 16;
        CipherFileWriter::Layout l;
        l.segmentLog2 = 12;
        const QByteArray plain = TestSupport::pseudoRandomBytes(3 * seg + 1, 21);
        QByteArray f = CipherFileWriter::encrypt(kKey, plain, l);
        QCOMPARE(f.size(), 64 + 3 * stride + 17);
        const QStringList d = damage.split(':');
        const qsizetype a = d.value(1).toLongLong(), b = d.value(2).toLongLong();
        auto segment = [&](qsizetype i) { return f.mid(64 + i * stride, stride); };
        if (d[0] == "cut")
            f.truncate(64 + a * stride + b);
        else if (d[0] == "append")
            f += TestSupport::pseudoRandomBytes(a, 8);
        else if (d[0] == "swap")
            f = f.left(64 + a * stride) + segment(a + 1) + segment(a) + f.mid(64 + (a + 2) * stride);
        else if (d[0] == "drop")
            f.remove(64 + a * stride, stride);
        else if (d[0] == "repeat")
            f.insert(64 + (a + 1) * stride, segment(a));
        else if (d[0] == "flip")
            f[qMin(64 + a * stride + 100, f.size() - 1)] = char(f[qMin(64 + a * stride + 100, f.size() - 1)] ^ 4);
        QVERIFY(put("damaged", f));
        QCOMPARE(decrypt("damaged", "back"), code);
        if (segmentsKept == 0)
            QVERIFY(!exists("back"));
        else
            QCOMPARE(get("back"), plain.left(segmentsKept * seg));
        QCOMPARE(leftovers({"damaged", "back"}), QStringList());
    }

    // Files of several batches are opened on a second thread while the first writes: damage in a later batch
    // still keeps exactly the plaintext before the first bad segment, and the read-back check sees it too.
    void damageInALaterBatch_data() {
        QTest::addColumn<QList<int>>("flipped");
        QTest::addColumn<qsizetype>("cutAfter"); // segments kept whole before a 1-byte tail, or -1
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("segmentsKept");
        QTest::newRow("segment carried into batch 2") << QList<int>{63} << qsizetype(-1) << -21 << 63;
        QTest::newRow("inside batch 2") << QList<int>{100} << qsizetype(-1) << -21 << 100;
        QTest::newRow("batches 2 and 3") << QList<int>{70, 140} << qsizetype(-1) << -22 << 70;
        QTest::newRow("cut in batch 3") << QList<int>{} << qsizetype(130) << -18 << 130;
    }
    void damageInALaterBatch() {
        QFETCH(QList<int>, flipped);
        QFETCH(qsizetype, cutAfter);
        QFETCH(int, code);
        QFETCH(int, segmentsKept);
        constexpr qsizetype stride = kSeg + 16;
        const QByteArray plain = TestSupport::pseudoRandomBytes(150 * kSeg + 5, 23);
        QVERIFY(put("plain", plain));
        QCOMPARE(encrypt("plain", "cipher"), 0);
        QByteArray f = get("cipher");
        for (const int i : flipped)
            f[64 + i * stride + 100] = char(f[64 + i * stride + 100] ^ 4);
        if (cutAfter >= 0)
            f.truncate(64 + cutAfter * stride + 1);
        QVERIFY(put("damaged", f));
        QCOMPARE(decrypt("damaged", "back"), code);
        QCOMPARE(get("back"), plain.left(segmentsKept * kSeg));
        operation_initialization(kKey, 0, 0, 0);
        QCOMPARE(verify_file(at("damaged"), at("plain")), code);
        QCOMPARE(leftovers({"plain", "cipher", "damaged", "back"}), QStringList());
    }

    // The read-back check: only the exact original under the right key passes; nothing is written.
    void verifyComparesWithoutWriting() {
        const QByteArray plain = TestSupport::pseudoRandomBytes(3 * kSeg + 5, 31);
        QVERIFY(put("plain", plain));
        QCOMPARE(encrypt("plain", "enc"), 0);
        const auto verify = [&](const QString& plainName, const QByteArray& key = kKey) {
            operation_initialization(key, 0, 0, 0);
            return verify_file(at("enc"), at(plainName));
        };
        QCOMPARE(verify("plain"), 0);
        QByteArray changed = plain;
        changed[2 * kSeg + 1] = char(changed[2 * kSeg + 1] ^ 1);
        QVERIFY(put("changed", changed));
        QVERIFY(put("longer", plain + 'x'));
        QVERIFY(put("shorter", plain.chopped(1)));
        QVERIFY(put("empty", QByteArray()));
        QCOMPARE(verify("changed"), int(VerifyMismatch));
        QCOMPARE(verify("longer"), int(VerifyMismatch));
        QCOMPARE(verify("shorter"), int(VerifyMismatch));
        QCOMPARE(verify("empty"), int(VerifyMismatch));
        QCOMPARE(verify("missing"), int(InputNotFound));
        QCOMPARE(verify("plain", kOtherKey), int(InvalidCipherFile));
        QByteArray cut = get("enc");
        QVERIFY(put("enc", cut.chopped(1)));
        QCOMPARE(verify("plain"), -21);
        QCOMPARE(leftovers({"plain", "enc", "changed", "longer", "shorter", "empty"}), QStringList());
    }

    void fileSystemFailures() {
        QVERIFY(put("plain", "some plaintext"));
        QCOMPARE(encrypt("missing", "out"), int(InputNotFound));
        QCOMPARE(encrypt("no-folder/missing", "out"), int(InputNotFound));
        QCOMPARE(decrypt("missing", "out"), int(InputNotFound));
        QVERIFY(QDir(m_dir.path()).mkdir("folder"));
        QCOMPARE(encrypt("folder", "out"), int(CannotOpenInput));
        QCOMPARE(decrypt("folder", "out"), int(CannotOpenInput));
        // A FIFO without a writer reads as empty: only a regular file is an input.
        QCOMPARE(::mkfifo(QFile::encodeName(at("pipe")).constData(), 0600), 0);
        QCOMPARE(encrypt("pipe", "out"), int(CannotOpenInput));
        QCOMPARE(decrypt("pipe", "out"), int(CannotOpenInput));
        QVERIFY(QFile::remove(at("pipe")));
        QCOMPARE(encrypt("plain", "no-folder/out"), int(CannotOpenOutput));
        QCOMPARE(encrypt("plain", "folder"), int(CannotOpenOutput));
        QCOMPARE(encrypt("plain", "plain"), int(CannotOpenOutput));
        QVERIFY(::link(QFile::encodeName(at("plain")), QFile::encodeName(at("alias"))) == 0);
        QCOMPARE(encrypt("plain", "alias"), int(CannotOpenOutput));
        QCOMPARE(get("plain"), QByteArray("some plaintext"));
        QVERIFY(QDir(at("folder")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
        QCOMPARE(leftovers({"plain", "alias"}), QStringList());
        QDir(at("folder")).removeRecursively();
    }

    void symlinkAtTheOutputIsReplacedNotFollowed() {
        QVERIFY(put("plain", "secret"));
        QVERIFY(put("victim", "precious"));
        QVERIFY(QFile::link(at("victim"), at("out")));
        QCOMPARE(encrypt("plain", "out"), 0);
        QCOMPARE(get("victim"), QByteArray("precious"));
        QVERIFY(!QFileInfo(at("out")).isSymLink());
        QCOMPARE(decrypt("out", "back"), 0);
        QCOMPARE(get("back"), QByteArray("secret"));
        // A dangling link is not followed to create its target either.
        QVERIFY(QFile::link(at("nowhere"), at("dangling")));
        QCOMPARE(encrypt("plain", "dangling"), 0);
        QVERIFY(!exists("nowhere"));
        QVERIFY(!QFileInfo(at("dangling")).isSymLink());
    }

    void fullDiskLeavesNothing() {
        if (::geteuid() != 0)
            QSKIP("needs root to mount a small tmpfs");
        const QString mnt = at("small");
        QVERIFY(QDir().mkpath(mnt));
        if (::mount("tmpfs", QFile::encodeName(mnt).constData(), "tmpfs", 0, "size=1m") != 0)
            QSKIP("cannot mount a tmpfs here");
        const QByteArray plain = TestSupport::pseudoRandomBytes(2 << 20, 17);
        QVERIFY(put("plain", plain));
        QCOMPARE(encrypt("plain", "cipher"), 0);
        const int encrypted = encrypt("plain", "small/cipher");
        const int decrypted = decrypt("cipher", "small/back");
        const QStringList left = QDir(mnt).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        ::umount(QFile::encodeName(mnt).constData());
        QDir(mnt).removeRecursively();
        QCOMPARE(encrypted, int(DiskFull));
        QCOMPARE(decrypted, int(DiskFull));
        QCOMPARE(left, QStringList());
        QCOMPARE(get("plain"), plain);
    }

    // A file size limit makes writes fail with an error other than a full disk.
    void writeErrors_data() {
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<qsizetype>("limit");
        QTest::newRow("one batch") << qsizetype(1 << 20) << qsizetype(200000);
        QTest::newRow("in a later batch") << qsizetype(12 << 20) << qsizetype(9 << 20) + 3;
    }
    void writeErrors() {
        QFETCH(qsizetype, size);
        QFETCH(qsizetype, limit);
        const QByteArray plain = TestSupport::pseudoRandomBytes(size, 19);
        QVERIFY(put("plain", plain));
        QCOMPARE(encrypt("plain", "cipher"), 0);
        rlimit saved{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = rlim_t(limit);
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
        const int encrypted = encrypt("plain", "cipher2");
        const int decrypted = decrypt("cipher", "back");
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(encrypted, int(WriteError));
        QVERIFY(!exists("cipher2"));
        QCOMPARE(decrypted, int(PartialWriteError));
        QCOMPARE(get("back"), plain.left(limit));
        QCOMPARE(leftovers({"plain", "cipher", "back"}), QStringList());
    }

    // Nothing we write is more readable than its input; set-id bits are never passed on.
    void resultsTakeTheInputsPermissionBits_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("expected");
        QTest::newRow("private") << 0600 << 0600;
        QTest::newRow("group readable") << 0640 << 0640;
        QTest::newRow("set-id and sticky dropped") << 07755 << 0755;
    }
    void resultsTakeTheInputsPermissionBits() {
        QFETCH(int, mode);
        QFETCH(int, expected);
        QVERIFY(put("plain", "plaintext"));
        QVERIFY(::chmod(QFile::encodeName(at("plain")).constData(), mode_t(mode)) == 0);
        QVERIFY(put("existing", "in the way"));
        const auto modeOf = [&](const QString& name) {
            struct stat st {};
            return ::stat(QFile::encodeName(at(name)).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
        };
        QCOMPARE(encrypt("plain", "cipher"), 0);   // a free name, unnamed until complete
        QCOMPARE(encrypt("plain", "existing"), 0); // through a temporary file
        QCOMPARE(modeOf("cipher"), expected);
        QCOMPARE(modeOf("existing"), expected);
        QVERIFY(::chmod(QFile::encodeName(at("cipher")).constData(), mode_t(mode)) == 0);
        QCOMPARE(decrypt("cipher", "back"), 0);
        QCOMPARE(modeOf("back"), expected);
    }

    // While a result is written, unnamed or under a temporary name, nobody but its owner can read it: its input's
    // permissions come only with the finished result.
    void outputIsPrivateWhileWritten_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("a free name, unnamed until complete") << "unnamed";
        QTest::newRow("a name in use, through a temporary file") << "temporary";
        QTest::newRow("a decryption") << "decrypt";
    }
    void outputIsPrivateWhileWritten() {
        QFETCH(QString, how);
        QVERIFY(put("plain", TestSupport::pseudoRandomBytes(3 * kSeg, 43)));
        QVERIFY(::chmod(QFile::encodeName(at("plain")).constData(), 0644) == 0);
        static QString folder;
        static QStringList inputs;
        static int widest, looked;
        folder = m_dir.path();
        inputs = {"plain"};
        widest = looked = 0;
        if (how == "temporary") {
            QVERIFY(put("cipher", "in the way"));
            QVERIFY(::chmod(QFile::encodeName(at("cipher")).constData(), 0600) == 0);
        }
        if (how == "decrypt") {
            QCOMPARE(encrypt("plain", "cipher"), 0);
            QVERIFY(::chmod(QFile::encodeName(at("cipher")).constData(), 0644) == 0);
            inputs << "cipher";
        }
        // Every file of the folder that is not an input, and every open one: an unnamed result has no entry.
        zq4e::set_read_hook([](qint64) {
            const auto look = [](const QByteArray& path) {
                struct stat st {};
                if (::stat(path.constData(), &st) == 0)
                    widest |= int(st.st_mode & 077);
                ++looked;
            };
            for (const QString& f : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
                if (!inputs.contains(f))
                    look(QFile::encodeName(folder + '/' + f));
            for (int fd = 0; fd < 1024; ++fd) {
                const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd);
                char target[4096];
                const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
                const QString file = n > 0 ? QFile::decodeName(QByteArray(target, int(n))) : QString();
                if (file.startsWith(folder + '/') && !inputs.contains(QFileInfo(file).fileName()))
                    look(link);
            }
        });
        const int rc = how == "decrypt" ? decrypt("cipher", "back") : encrypt("plain", "cipher");
        zq4e::set_read_hook(nullptr);
        QCOMPARE(rc, 0);
        QVERIFY(looked > 0);
        QCOMPARE(widest, 0);
    }

    // A result to a free name has no name until it is complete: while it is written the folder shows nothing of
    // it. The engine names it, or hands it over unnamed to a caller that names many at once. Where the file
    // system has no unnamed files it waits under a temporary name instead.
    void aFreeNameTakesOnlyACompleteResult_data() {
        QTest::addColumn<bool>("unnamedFiles");
        QTest::addColumn<bool>("rename");
        QTest::newRow("named by the engine") << true << true;
        QTest::newRow("handed over unnamed") << true << false;
        QTest::newRow("no unnamed files, named by the engine") << false << true;
        QTest::newRow("no unnamed files, left under a temporary name") << false << false;
    }
    void aFreeNameTakesOnlyACompleteResult() {
        QFETCH(bool, unnamedFiles);
        QFETCH(bool, rename);
        const QByteArray plain = TestSupport::pseudoRandomBytes(3 * kSeg, 47);
        QVERIFY(put("plain", plain));
        static QString folder;
        static QStringList seen; // what the folder held after each write of the result
        folder = m_dir.path();
        seen.clear();
        set_write_hook([](qint64) { seen << QDir(folder).entryList(QDir::Files | QDir::Hidden); });
        UnnamedFile::setAvailable(unnamedFiles);
        set_rename_output(rename);
        const int rc = encrypt("plain", "cipher");
        set_rename_output(true);
        UnnamedFile::setAvailable(true);
        set_write_hook(nullptr);
        QCOMPARE(rc, 0);
        QVERIFY(!seen.isEmpty());
        QVERIFY2(!seen.contains("cipher"), "the result had its name before it was complete");
        QCOMPARE(seen.filter(".zq4e-").isEmpty(), unnamedFiles);
        UnnamedFile handed(take_unnamed_output());
        QCOMPARE(handed.isOpen(), unnamedFiles && !rename);
        QCOMPARE(exists("cipher"), rename);
        if (handed.isOpen())
            QVERIFY(handed.link(at("cipher")));
        else if (!rename)
            QVERIFY(QFile::rename(last_output_path(), at("cipher")));
        QCOMPARE(decrypt("cipher", "back"), 0);
        QCOMPARE(get("back"), plain);
        QCOMPARE(leftovers({"plain", "cipher", "back"}), QStringList());
    }

    // A damaged file decrypted onto a name in use: that file stays, the partial plaintext goes beside it.
    void partialPlaintextNeverReplacesAFile() {
        const QByteArray plain = TestSupport::pseudoRandomBytes(3 * kSeg, 41);
        QVERIFY(put("plain", plain));
        QCOMPARE(encrypt("plain", "cipher"), 0);
        QByteArray damaged = get("cipher");
        damaged[damaged.size() - 1] = char(damaged[damaged.size() - 1] ^ 1);
        QVERIFY(put("damaged", damaged));
        QVERIFY(put("back", "keep me"));
        QVERIFY(put("back1", "and me"));
        QCOMPARE(decrypt("damaged", "back"), -21);
        QCOMPARE(get("back"), QByteArray("keep me"));
        QCOMPARE(get("back1"), QByteArray("and me"));
        QCOMPARE(get("back2"), plain.left(2 * kSeg));
        QCOMPARE(last_output_path(), at("back2"));
        // A free output name takes the partial plaintext itself.
        QCOMPARE(decrypt("damaged", "free"), -21);
        QCOMPARE(last_output_path(), at("free"));
        QCOMPARE(leftovers({"plain", "cipher", "damaged", "back", "back1", "back2", "free"}), QStringList());
    }

    // Options given with a call are that call's: a result left unnamed or in memory is handed back with the call,
    // nothing is created under the output name, and the engine-wide settings and getters are left as they were.
    void optionsArePerCall() {
        const QByteArray plain = TestSupport::pseudoRandomBytes(3 * kSeg, 45);
        QVERIFY(put("plain", plain));
        FileOptions o;
        o.sync = false;
        o.name = false;
        for (const bool memory : {false, true}) {
            o.inMemory = memory;
            operation_initialization(kKey, 1, plain.size(), 0);
            FileResult r = encrypt_file(at("plain"), at("cipher"), o);
            QCOMPARE(r.code, 0);
            QVERIFY(r.unnamed >= 0);
            QVERIFY(!exists("cipher"));
            QCOMPARE(take_unnamed_output(), -1);
            const UnnamedFile made(r.unnamed);
            QByteArray bytes;
            QVERIFY(memory ? made.readAll(bytes) && put("cipher", bytes) : made.link(at("cipher")));
            QCOMPARE(decrypt("cipher", "back"), 0);
            QCOMPARE(get("back"), plain);
            QVERIFY(QFile::remove(at("cipher")) && QFile::remove(at("back")));
        }
        QVERIFY(default_file_options().name);
        QVERIFY(!default_file_options().inMemory);
        // Damaged, the partial plaintext of a call that names its results itself is never under the output name.
        QCOMPARE(encrypt("plain", "cipher"), 0);
        QByteArray damaged = get("cipher");
        damaged[damaged.size() - 1] = char(damaged[damaged.size() - 1] ^ 1);
        QVERIFY(put("damaged", damaged));
        o.inMemory = false;
        operation_initialization(kKey, 0, damaged.size(), 0);
        const FileResult r = decrypt_file(at("damaged"), at("back"), o);
        QCOMPARE(r.code, -21);
        QVERIFY(r.inputWasOurs);
        QCOMPARE(r.path, at("back1"));
        QVERIFY(!exists("back"));
        QCOMPARE(get("back1"), plain.left(2 * kSeg));
    }

    // A cancelled file ends at its next batch of segments and leaves nothing; the input is untouched.
    void cancelAbandonsTheFileInProgress() {
        const QByteArray plain = TestSupport::pseudoRandomBytes(48 << 20, 43);
        QVERIFY(put("plain", plain));
        QCOMPARE(encrypt("plain", "cipher"), 0);
        QCOMPARE(progress_bytes(), qint64(plain.size()));
        request_cancel();
        QCOMPARE(encrypt("plain", "refused"), int(Cancelled));
        clear_cancel();
        for (const bool enc : {true, false}) {
            // Cancelled once the file is under way (a busy machine may let a file finish first: try again).
            int rc = 0;
            for (int attempt = 0; attempt < 5 && rc != Cancelled; ++attempt) {
                std::atomic<bool> done{false};
                std::thread canceller([&] {
                    qint64 p = 0;
                    while (!done && ((p = progress_bytes()) == 0 || p >= plain.size()))
                        std::this_thread::yield();
                    request_cancel();
                });
                rc = enc ? encrypt("plain", "out") : decrypt("cipher", "out");
                done = true;
                canceller.join();
                clear_cancel();
                QFile::remove(at("out"));
            }
            QCOMPARE(rc, int(Cancelled));
            QCOMPARE(leftovers({"plain", "cipher"}), QStringList());
        }
        QCOMPARE(get("plain"), plain);
        QCOMPARE(decrypt("cipher", "back"), 0);
    }

    void keyIsText_data() {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("text");
        QTest::newRow("letters") << QByteArray("ABCDEFGHIJKLMNOP") << 16 << true;
        QTest::newRow("tab cr lf space tilde") << QByteArray("A\tB\rC\nD E~") << 10 << true;
        QTest::newRow("trailing zeros ignored") << QByteArray("ABCD\0\0\0\0", 8) << 8 << true;
        QTest::newRow("inner zero") << QByteArray("AB\0CD", 5) << 5 << false;
        QTest::newRow("control 31") << QByteArray("ABC\x1f") << 4 << false;
        QTest::newRow("delete 127") << QByteArray("ABC\x7f") << 4 << false;
        QTest::newRow("159") << QByteArray("ABC\x9f") << 4 << false;
        QTest::newRow("a quarter high") << QByteArray("ABC\xe9") << 4 << true;
        QTest::newRow("over a quarter high") << QByteArray("AB\xe9\xe9") << 4 << false;
        QTest::newRow("length limits the bytes") << QByteArray("ABCD\x01") << 4 << true;
        QTest::newRow("length beyond the key") << QByteArray("ABCD") << 99 << true;
        QTest::newRow("nothing") << QByteArray() << 0 << false;
        QTest::newRow("only zeros") << QByteArray(64, '\0') << 64 << false;
        QTest::newRow("negative length") << QByteArray("ABCD") << -1 << false;
    }
    void keyIsText() {
        QFETCH(QByteArray, key);
        QFETCH(int, length);
        QFETCH(bool, text);
        const QByteArray copy = key;
        QCOMPARE(key_is_text(key, length) != 0, text);
        QCOMPARE(key, copy);
    }

    // Runs last: it drops the session's cache.
    void zzKeyAndCacheAreWiped() {
        QVERIFY(put("plain", "x"));
        QCOMPARE(encrypt("plain", "cipher"), 0);
        QVERIFY(cached_master_keys() > 0);
        erase_key();
        QCOMPARE(cached_master_keys(), qint64(0));
        QCOMPARE(encrypt_file(at("plain"), at("again")), int(NoKey));
        operation_initialization(QByteArray(), 1, 1, 0);
        QCOMPARE(encrypt_file(at("plain"), at("again")), int(NoKey));
        // What an erased key looks like is no key either.
        operation_initialization(QByteArray(64, '\0'), 1, 1, 0);
        QCOMPARE(encrypt_file(at("plain"), at("again")), int(NoKey));
        QCOMPARE(encrypt("plain", "again"), 0);
        deallocate_buffers();
        QCOMPARE(cached_master_keys(), qint64(0));
        QCOMPARE(encrypt_file(at("plain"), at("again")), int(NotAllocated));
        QVERIFY(allocate_buffers() != 0);
        QCOMPARE(encrypt("plain", "again2"), 0);
        QCOMPARE(leftovers({"plain", "cipher", "again", "again2"}), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "test_engine.moc"

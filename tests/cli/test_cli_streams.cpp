// Streams ("zq4 encrypt -", "zq4 decrypt -") and "zq4 verify" against the real program: data through a pipe in
// the format of our files, damage found at the segment it is in, nothing written to a terminal or by a check.
#include "support/CliProcess.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

using CliProcess::rawTree;
using CliProcess::writeRaw;

namespace {

const QByteArray kKey = "correct horse battery staple";
constexpr int kHeader = 64, kSegment = 65536, kTag = 16;

void noDisplay() {
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
}

} // namespace

class TestCliStreams : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    QByteArray m_dir, m_keyfile;
    // Three full segments and a part: the final segment, and the ones before it, each have their own nonce.
    const QByteArray m_plain = TestSupport::pseudoRandomBytes(3 * kSegment + 1234, 5);

    CliProcess::Outcome zq4(const QStringList& args, const QByteArray& input = QByteArray()) {
        return CliProcess::run(args, input, noDisplay);
    }
    QString path(const char* name) const { return QFile::decodeName(m_dir + '/' + name); }

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        m_dir = QFile::encodeName(m_home.path());
        m_keyfile = m_dir + "/key.txt";
        QVERIFY(writeRaw(m_keyfile, kKey));
    }

    void init() {
        CliProcess::removeRaw(m_dir + "/s");
        CliProcess::removeRaw(m_dir + "/f");
    }

    // A stream's output is a file of ours and a file of ours decrypts as a stream: every byte comes back, the
    // key given by a keyfile or as the first line of standard input; an empty stream too.
    void aStreamIsAFileOfOurs_data() {
        QTest::addColumn<QByteArray>("plain");
        QTest::newRow("segments and a part") << m_plain;
        QTest::newRow("nothing") << QByteArray("");
        QTest::newRow("exactly one segment") << m_plain.left(kSegment);
    }
    void aStreamIsAFileOfOurs() {
        QFETCH(QByteArray, plain);
        const QString keyfile = QFile::decodeName(m_keyfile);
        const CliProcess::Outcome enc = zq4({"encrypt", "--keyfile", keyfile, "-"}, plain);
        QVERIFY2(enc.status == 0, qPrintable(enc.err));
        QCOMPARE(enc.err, QString());
        const int segments = qMax(1, int((plain.size() + kSegment - 1) / kSegment));
        QCOMPARE(enc.rawOut.size(), kHeader + plain.size() + segments * kTag);
        QVERIFY(enc.rawOut.startsWith("ZQ4E"));

        QVERIFY(writeRaw(m_dir + "/s/data.enc", enc.rawOut));
        const CliProcess::Outcome asFile = zq4({"decrypt", "--keyfile", keyfile, path("s/data.enc")});
        QVERIFY2(asFile.status == 0, qPrintable(asFile.err));
        QCOMPARE(rawTree(m_dir + "/s").value("data"), plain);

        if (plain.isEmpty())
            return; // an empty file is not encrypted as a file
        QVERIFY(writeRaw(m_dir + "/f/data", plain));
        QVERIFY(zq4({"encrypt", "--keyfile", keyfile, path("f/data")}).status == 0);
        const CliProcess::Outcome asStream =
            zq4({"decrypt", "--key-stdin", "-"}, kKey + '\n' + rawTree(m_dir + "/f").value("data.enc"));
        QVERIFY2(asStream.status == 0, qPrintable(asStream.err));
        QCOMPARE(asStream.rawOut, plain);
    }

    // Damage ends the decryption at the segment it is in: what was written before is the authenticated plaintext
    // of the segments before it, nothing after, and the status and message say so. A wrong key writes nothing.
    void damageStopsAtItsSegment_data() {
        QTest::addColumn<int>("cutAt");  // -1: not cut
        QTest::addColumn<int>("flipAt"); // -1: no byte flipped
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<int>("goodSegments");
        QTest::addColumn<QString>("message");
        const int stride = kSegment + kTag;
        QTest::newRow("a byte flipped in the third segment")
            << -1 << kHeader + 2 * stride + 10 << kKey << 2 << "segment 3 does not authenticate";
        QTest::newRow("cut at a segment's end")
            << kHeader + 2 * stride << -1 << kKey << 1 << "segment 2 does not authenticate";
        QTest::newRow("cut inside a tag") << kHeader + 3 * stride + 8 << -1 << kKey << 3 << "too short to be a segment";
        QTest::newRow("extended") << -2 << -1 << kKey << 3 << "segment 4 does not authenticate";
        QTest::newRow("the wrong key") << -1 << -1 << QByteArray("not the key this was encrypted with") << 0
                                       << "not encrypted with this key";
    }
    void damageStopsAtItsSegment() {
        QFETCH(int, cutAt);
        QFETCH(int, flipAt);
        QFETCH(QByteArray, key);
        QFETCH(int, goodSegments);
        QFETCH(QString, message);
        const CliProcess::Outcome enc = zq4({"encrypt", "--keyfile", QFile::decodeName(m_keyfile), "-"}, m_plain);
        QVERIFY(enc.status == 0);
        QByteArray damaged = enc.rawOut;
        if (cutAt >= 0)
            damaged.truncate(cutAt);
        if (cutAt == -2)
            damaged += damaged.mid(kHeader, kSegment + kTag); // a segment again, at the end
        if (flipAt >= 0)
            damaged[flipAt] = char(damaged[flipAt] ^ 1);
        const CliProcess::Outcome dec = zq4({"decrypt", "--key-stdin", "-"}, key + '\n' + damaged);
        QCOMPARE(dec.status, 1);
        QCOMPARE(dec.rawOut, m_plain.left(goodSegments * kSegment));
        QVERIFY2(dec.err.startsWith("zq4: standard input: ") && dec.err.contains(message), qPrintable(dec.err));
    }

    // Neither ciphertext nor plaintext goes to a terminal: refused before the key is read or the data touched.
    void aTerminalIsRefused() {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const QByteArray terminal = ::ptsname(master);
        for (const char* command : {"encrypt", "decrypt"}) {
            const CliProcess::Outcome o =
                CliProcess::run({command, "--keyfile", QFile::decodeName(m_keyfile), "-"}, m_plain, [terminal] {
                    noDisplay();
                    const int fd = ::open(terminal.constData(), O_RDWR | O_NOCTTY);
                    if (fd >= 0)
                        ::dup2(fd, STDOUT_FILENO);
                });
            QCOMPARE(o.status, 2);
            QVERIFY2(o.err.contains("zq4: standard output: is a terminal;"), qPrintable(o.err));
        }
        QByteArray shown(8192, '\0');
        ::fcntl(master, F_SETFL, O_NONBLOCK);
        const ssize_t n = ::read(master, shown.data(), size_t(shown.size()));
        ::close(master);
        QVERIFY(n <= 0);
    }

    // Verification reads every segment and writes nothing: status 0 only when every file verified, one line for
    // each file that did not.
    void verifyChecksEverySegment() {
        const QString keyfile = QFile::decodeName(m_keyfile);
        const CliProcess::Outcome enc = zq4({"encrypt", "--keyfile", keyfile, "-"}, m_plain);
        QByteArray flipped = enc.rawOut;
        flipped[kHeader + 2 * (kSegment + kTag) + 3] ^= 1;
        QVERIFY(writeRaw(m_dir + "/v/good.enc", enc.rawOut));
        QVERIFY(writeRaw(m_dir + "/v/sub/deep.enc", enc.rawOut));
        QVERIFY(writeRaw(m_dir + "/v/not-checked.txt", "no .enc: not ours to check"));
        const auto before = rawTree(m_dir + "/v");
        const CliProcess::Outcome good = zq4({"verify", "-r", "--keyfile", keyfile, path("v")});
        QVERIFY2(good.status == 0, qPrintable(good.err));
        QCOMPARE(good.out + good.err, QString());

        QVERIFY(writeRaw(m_dir + "/v/sub/flipped.enc", flipped));
        QVERIFY(writeRaw(m_dir + "/v/cut.enc", enc.rawOut.left(enc.rawOut.size() - 1)));
        const CliProcess::Outcome bad = zq4({"verify", "-r", "--keyfile", keyfile, path("v")});
        QCOMPARE(bad.status, 1);
        QVERIFY2(bad.err.contains(path("v") + "/sub/flipped.enc: segment 3 does not authenticate"),
                 qPrintable(bad.err));
        QVERIFY2(bad.err.contains(path("v") + "/cut.enc: segment 4 does not authenticate"), qPrintable(bad.err));
        QVERIFY2(bad.err.endsWith("zq4: 2 of 4 files did not verify.\n"), qPrintable(bad.err));
        const CliProcess::Outcome wrongKey =
            zq4({"verify", "--key-stdin", path("v/good.enc")}, "some other key entirely\n");
        QCOMPARE(wrongKey.status, 1);
        auto after = rawTree(m_dir + "/v");
        after.remove("sub/flipped.enc");
        after.remove("cut.enc");
        QCOMPARE(after, before);
    }
};

QTEST_GUILESS_MAIN(TestCliStreams)
#include "test_cli_streams.moc"

// The program, window or command line, makes itself non-dumpable and sets its core-file limit to zero before
// it reads a key. Checked on the real executable, run as an ordinary user (another one when the test runs as root): a
// non-dumpable process's /proc files belong to root instead of to it.
#include "support/TestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QtTest>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr uid_t kUser = 65534;

QString coreLimitLine(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/limits").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("Max core file size"))
            return QString::fromLatin1(line.simplified());
    return {};
}
uid_t procOwner(qint64 pid) {
    struct stat st {};
    return ::stat(QStringLiteral("/proc/%1/fd").arg(pid).toLocal8Bit().constData(), &st) == 0 ? st.st_uid : kUser;
}
} // namespace

class TestNoCoreDump : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        // As root the program runs as an ordinary user; otherwise as the user the test runs as.
        if (::geteuid() == 0)
            QCOMPARE(::chmod(QFile::encodeName(m_home.path()).constData(), 0777), 0);
    }

    void startUpForbidsCoreDumps_data() {
        QTest::addColumn<bool>("commandLine");
        QTest::newRow("window") << false;
        QTest::newRow("command line, waiting for the key") << true;
    }
    void startUpForbidsCoreDumps() {
        QFETCH(bool, commandLine);
        const QString folder = m_home.path() + QStringLiteral("/files/");
        QVERIFY(TestSupport::writeFile(folder + "a.txt", "a"));
        const QString op = m_home.path() + QStringLiteral("/op.opn");
        QVERIFY(TestSupport::writeFile(op, "7.77\r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n" + folder.toUtf8() + "\r\n*.txt\r\n" +
                                               folder.toUtf8() + "\r\n*.enc\r\n"));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path());
        env.insert(QStringLiteral("HOME"), m_home.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.setChildProcessModifier([] {
            // A limit the program must lower itself, whatever the test runs under.
            const rlimit some{1 << 20, 1 << 20};
            if (::setrlimit(RLIMIT_CORE, &some) != 0 ||
                (::geteuid() == 0 && (::setgid(kUser) != 0 || ::setuid(kUser) != 0)))
                ::_exit(121);
        });
        p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/zq4"),
                commandLine ? QStringList{QStringLiteral("--run"), op, QStringLiteral("--key-stdin")} : QStringList{});
        QVERIFY(p.waitForStarted());
        // Once the limit is down, the program is past the point where it makes itself non-dumpable.
        const QString zero = QStringLiteral("Max core file size 0 0 bytes");
        const QDeadlineTimer deadline(60000);
        while (coreLimitLine(p.processId()) != zero && p.state() == QProcess::Running && !deadline.hasExpired())
            QThread::msleep(20);
        const QString limit = coreLimitLine(p.processId());
        const uid_t owner = procOwner(p.processId());
        const bool running = p.state() == QProcess::Running;
        p.kill();
        p.waitForFinished();
        QVERIFY2(running, qPrintable(QString::fromLocal8Bit(p.readAllStandardError())));
        QCOMPARE(limit, zero);
        QCOMPARE(owner, uid_t(0));
    }
};

QTEST_GUILESS_MAIN(TestNoCoreDump)
#include "test_no_core_dump.moc"

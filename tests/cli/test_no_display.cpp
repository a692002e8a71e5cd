// Started for the window where there is no display (over ssh, from a service), the program says so and ends
// with exit status 2; it never aborts.
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestNoDisplay : public QObject {
    Q_OBJECT

private slots:
    void windowWithoutDisplay_data() {
        QTest::addColumn<QString>("display"); // DISPLAY, empty for unset
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no display named") << QString() << QStringList{};
        QTest::newRow("no display named, a file given") << QString() << QStringList{QStringLiteral("notes.txt")};
        // A display that is named but cannot be reached: Qt's own failure is turned into the same ending.
        QTest::newRow("display unreachable") << QStringLiteral(":93") << QStringList{QStringLiteral("notes.txt")};
    }
    void windowWithoutDisplay() {
        QFETCH(QString, display);
        QFETCH(QStringList, arguments);
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        if (!display.isEmpty())
            env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
        QProcess program;
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(home.path());
        program.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("zq4")), arguments);
        QVERIFY(program.waitForFinished(60000));
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QVERIFY2(program.exitCode() == 2, qPrintable(err));
        QVERIFY2(err.contains(QStringLiteral("the window needs a display")), qPrintable(err));
        QVERIFY2(err.contains(QStringLiteral("zq4 --help")), qPrintable(err));
    }

    // A window system chosen on the command line needs no display: the window opens (and is closed here).
    void platformChosenOnTheCommandLine() {
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("zq4")),
                      {QStringLiteral("-platform"), QStringLiteral("offscreen"), home.path()});
        QVERIFY(program.waitForStarted());
        QVERIFY2(!program.waitForFinished(1500), qPrintable(program.readAllStandardError()));
        program.terminate();
        QVERIFY(program.waitForFinished(60000));
    }
};

QTEST_GUILESS_MAIN(TestNoDisplay)
#include "test_no_display.moc"

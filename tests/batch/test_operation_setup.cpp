#include "batch/OperationSetup.h"

#include <QtTest>

class TestOperationSetup : public QObject {
    Q_OBJECT

    static OperationSetup filled() {
        OperationSetup s;
        s.blnEncrypt = false;
        s.blnOutputFilesSame = true;
        s.blnSubdirectories = true;
        s.blnConfirmFiles = true;
        s.strDirpath = {"/in/", "/out/"};
        s.strFilespec = {"*.txt", "*.enc"};
        return s;
    }

private slots:
    void firstStartValues() {
        const OperationSetup s;
        QVERIFY(s.blnEncrypt);
        QVERIFY(!s.blnOutputFilesSame);
        QVERIFY(!s.blnSubdirectories);
        QVERIFY(!s.blnConfirmFiles);
        QVERIFY(s.strDirpath[0].isEmpty() && s.strDirpath[1].isEmpty());
        QVERIFY(s.strFilespec[0].isEmpty() && s.strFilespec[1].isEmpty());
        QVERIFY(!s.InputSpecified() && !s.OutputSpecified());
    }

    void clearThenRestoreBringsTheSetupBack() {
        OperationSetup s = filled();
        s.RememberSetup();
        s.setStartValues();
        QVERIFY(s.blnEncrypt && !s.blnOutputFilesSame && !s.blnSubdirectories);
        QVERIFY(s.blnConfirmFiles); // not part of clearing
        QVERIFY(s.strDirpath[0].isEmpty() && s.strFilespec[1].isEmpty());
        s.invertSwitchesForReplay();
        QVERIFY(!s.blnEncrypt && s.blnOutputFilesSame && s.blnSubdirectories);

        s.blnConfirmFiles = false;
        s.restoreRemembered();
        const OperationSetup want = filled();
        QCOMPARE(s.blnEncrypt, want.blnEncrypt);
        QCOMPARE(s.blnOutputFilesSame, want.blnOutputFilesSame);
        QCOMPARE(s.blnSubdirectories, want.blnSubdirectories);
        QCOMPARE(s.blnConfirmFiles, want.blnConfirmFiles);
        QCOMPARE(s.strDirpath, want.strDirpath);
        QCOMPARE(s.strFilespec, want.strFilespec);
    }

    void copyInputToOutputAndSpecifiedSides() {
        OperationSetup s;
        s.strDirpath[0] = "/data/";
        QVERIFY(!s.InputSpecified());
        s.strFilespec[0] = "letter.txt";
        QVERIFY(s.InputSpecified());
        s.strDirpath[1] = "/elsewhere/";
        QVERIFY(!s.OutputSpecified());
        s.CopyInputToOutput();
        QCOMPARE(s.strDirpath[1], QStringLiteral("/data/"));
        QCOMPARE(s.strFilespec[1], QStringLiteral("letter.txt"));
        QVERIFY(s.OutputSpecified());
        QVERIFY(!s.sideSpecified(2));
    }

    void foldersEndWithASlash() {
        QCOMPARE(withTrailingSlash("/home/user"), QStringLiteral("/home/user/"));
        QCOMPARE(withTrailingSlash("/home/user/"), QStringLiteral("/home/user/"));
        QCOMPARE(withTrailingSlash("/"), QStringLiteral("/"));
        QCOMPARE(withTrailingSlash(QString()), QString());
    }
};

QTEST_GUILESS_MAIN(TestOperationSetup)
#include "test_operation_setup.moc"

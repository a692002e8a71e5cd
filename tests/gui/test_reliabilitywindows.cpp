#include "batch/gui/frmReliabilityTest.h"
#include "support/TestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <functional>

class TestReliabilityWindows : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

    // Shows the dialog modally and lets `act` work it once it is up.
    static void showAndDo(frmReliabilityTest& dialog, bool inPlace, std::function<void()> act) {
        QTimer::singleShot(0, &dialog, [&dialog, act] {
            QVERIFY(dialog.isVisible());
            act();
            if (dialog.isVisible())
                dialog.cmdCancel_Click();
        });
        dialog.exec(inPlace);
    }

private slots:
    void initTestCase() { TestSupport::prepareEnvironment(m_home); }

    void dialogTexts() {
        frmReliabilityTest dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Reliability test"));
        QCOMPARE(dialog.lblIntro->text(),
                 QStringLiteral("You have chosen to encrypt files with .tst extension in a subfolder named "
                                "\"zq4test\", which indicates that you wish to perform the reliability test."));
        QCOMPARE(dialog.lblExplanation2->text(),
                 QStringLiteral("The first performance of the test uses the currently specified key. Subsequent "
                                "performances use randomly-generated keys."));
        QCOMPARE(dialog.lblMultipleTimes->text(), QStringLiteral("Number of times to perform the test: "));
        QCOMPARE(dialog.optPerformTest->text(), QStringLiteral("Yes, perform the test."));
        QCOMPARE(dialog.optNo->text(), QStringLiteral("No, just encrypt as specified."));
        dialog.prepareShowing(true);
        QCOMPARE(dialog.lblExplanation1->text(),
                 QStringLiteral("In this test all specified .tst files are first copied to .bak files, then the "
                                ".tst files are encrypted, then decrypted, then the resulting .tst files are "
                                "compared to the .bak files.  If a difference exists then the test stops at that "
                                "point."));
        dialog.prepareShowing(false);
        QCOMPARE(dialog.lblExplanation1->text(),
                 QStringLiteral("In this test all specified .tst files are encrypted to .enc files, then decrypted "
                                "to .dec files, then the .dec files are compared to the .tst files. If a difference "
                                "exists then the test stops at that point."));
    }

    // Letters typed into the count do nothing; Enter continues with the digits.
    void typedCountAndEnter() {
        frmReliabilityTest dialog;
        showAndDo(dialog, false, [&] {
            QCOMPARE(dialog.txbNumTests->text(), QStringLiteral("1"));
            QVERIFY(dialog.optPerformTest->isChecked());
            QTest::keyClicks(dialog.txbNumTests, QStringLiteral("a2 x-5"));
            QCOMPARE(dialog.txbNumTests->text(), QStringLiteral("125"));
            dialog.txbNumTests->insert(QStringLiteral("oops")); // as pasted: refused too
            QCOMPARE(dialog.txbNumTests->text(), QStringLiteral("125"));
            QTest::keyClick(dialog.txbNumTests, Qt::Key_Return);
        });
        QVERIFY(!dialog.isVisible());
        QVERIFY(!dialog.blnCancel);
        QVERIFY(dialog.blnPerformingReliabilityTest);
        QCOMPARE(dialog.intNumReliabilityTests, qint64(125));
    }

    void choices_data() {
        QTest::addColumn<QString>("count");
        QTest::addColumn<bool>("chooseNo");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("performing");
        QTest::addColumn<qint64>("passes");
        QTest::newRow("perform twice") << "2" << false << false << true << qint64(2);
        QTest::newRow("empty count") << "" << false << false << true << qint64(0);
        QTest::newRow("just encrypt") << "7" << true << false << false << qint64(7);
        QTest::newRow("cancel") << "3" << false << true << false << qint64(1);
    }
    void choices() {
        QFETCH(QString, count);
        QFETCH(bool, chooseNo);
        QFETCH(bool, cancel);
        QFETCH(bool, performing);
        QFETCH(qint64, passes);
        frmReliabilityTest dialog;
        showAndDo(dialog, true, [&] {
            dialog.txbNumTests->setText(count);
            if (chooseNo) {
                dialog.optNo->click();
                QVERIFY(dialog.txbNumTests->isHidden());
                QVERIFY(dialog.lblMultipleTimes->isHidden());
                QCOMPARE(dialog.focusWidget(), dialog.cmdContinue);
            }
            QTest::mouseClick(cancel ? dialog.cmdCancel : dialog.cmdContinue, Qt::LeftButton);
        });
        QCOMPARE(dialog.blnCancel, cancel);
        QCOMPARE(dialog.blnPerformingReliabilityTest, performing);
        QCOMPARE(dialog.intNumReliabilityTests, passes);
    }

    // Each showing starts over: the test chosen, the count shown again, nothing decided yet.
    void showingResets() {
        frmReliabilityTest dialog;
        showAndDo(dialog, true, [&] {
            dialog.optNo->click();
            QTest::mouseClick(dialog.cmdContinue, Qt::LeftButton);
        });
        QVERIFY(!dialog.blnCancel);
        showAndDo(dialog, true, [&] {
            QVERIFY(dialog.optPerformTest->isChecked());
            QVERIFY(dialog.txbNumTests->isVisible());
            QVERIFY(dialog.blnCancel);
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        QVERIFY(dialog.blnCancel);
        QVERIFY(!dialog.blnPerformingReliabilityTest);
    }
};

QTEST_MAIN(TestReliabilityWindows)
#include "test_reliabilitywindows.moc"

#include "app/gui/RandomnessPanel.h"
#include "batch/OperationSetup.h"
#include "batch/RunContext.h"
#include "batch/gui/frmReport.h"
#include "key/frmKeyFrom.h"
#include "platform/os/MessageBox.h"
#include "randomness/gui/frmGraphic.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class TestRandomnessPanel : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    QTemporaryDir m_dir;
    OperationSetup m_setup;
    frmKeyFrom m_key;
    RunContext* m_ctx = nullptr;
    QWidget* m_main = nullptr;
    frmReport* m_report = nullptr;
    frmGraphic* m_graphic = nullptr;
    QString m_path;
    qint64 m_length = 0;
    RandomnessPanel m_panel;

    QString folder() const { return m_dir.path() + u'/'; }

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        QVERIFY(
            TestSupport::writeFile(m_dir.filePath(QStringLiteral("odd.bin")), TestSupport::pseudoRandomBytes(1001, 2)));
        QVERIFY(TestSupport::writeFile(m_dir.filePath(QStringLiteral("a.txt")), QByteArray(400, 'a')));
        m_ctx = new RunContext(m_setup, m_key);
        m_main = new QWidget;
        m_panel.mainWindow = m_main;
        m_panel.fraMenu = new QWidget(m_main);
        m_panel.fraSetup = new QWidget(m_main);
        m_panel.picRandomnessReport = new QWidget(m_main);
        m_panel.cmdInputFiles = new QPushButton(m_panel.picRandomnessReport);
        m_panel.cmdOutputFiles = new QPushButton(m_panel.picRandomnessReport);
        m_panel.cmdRandomnessReport = new QPushButton(m_panel.fraMenu);
        m_panel.lblPerformingReliabilityTest = new QLabel(m_main);
        m_report = new frmReport(*m_ctx);
        m_graphic = new frmGraphic;
        m_panel.report = m_report;
        m_panel.graphic = m_graphic;
        m_panel.strCurrentFilePath = &m_path;
        m_panel.lngFilesize = &m_length;
        m_main->show();
    }
    void cleanupTestCase() {
        delete m_graphic;
        delete m_report;
        delete m_main;
        delete m_ctx;
    }
    void init() { MessageBox::reset(); }

    void panelOpensForTheSpecifiedSides() {
        m_panel.open(false, false);
        QCOMPARE(MessageBox::last().text, QStringLiteral("Neither input files nor output files are specified."));
        QVERIFY(m_panel.fraMenu->isEnabled());

        m_panel.open(false, true);
        QVERIFY(!m_panel.fraMenu->isEnabled());
        QVERIFY(!m_panel.fraSetup->isEnabled());
        QVERIFY(m_panel.picRandomnessReport->isVisible());
        QVERIFY(!m_panel.cmdInputFiles->isEnabled());
        QVERIFY(m_panel.cmdOutputFiles->isEnabled());

        m_panel.cmdNoRandomnessReport_Click();
        QVERIFY(!m_panel.picRandomnessReport->isVisible());
        QVERIFY(m_panel.fraMenu->isEnabled());
        QVERIFY(m_panel.fraSetup->isEnabled());
    }

    void singleFileShowsTheGraphic() {
        QString title, filesize;
        QTimer::singleShot(0, this, [&] {
            auto* g = qobject_cast<frmGraphic*>(QApplication::activeModalWidget());
            QVERIFY(g);
            title = g->windowTitle();
            filesize = g->lblFilesize->text();
            g->cmdDisplay->click(); // draws all of it
            g->close();
        });
        m_panel.open(true, false);
        m_panel.ShowRandomnessReport(0, folder(), QStringLiteral("odd.bin"), false);
        QCOMPARE(title, QStringLiteral("Input file: odd.bin"));
        QCOMPARE(filesize, QStringLiteral("Filesize = 1,000 bytes"));
        QCOMPARE(m_graphic->pairsPlotted(), 500);
        QCOMPARE(m_path, folder() + QStringLiteral("odd.bin"));
        QCOMPARE(m_length, 1000);
        QVERIFY(!m_panel.picRandomnessReport->isVisible());
        QVERIFY(m_panel.fraMenu->isEnabled());
        QVERIFY(!m_panel.lblPerformingReliabilityTest->isVisible());
        QVERIFY(MessageBox::history().isEmpty());
    }

    void severalFilesFillTheReportWindow() {
        m_panel.open(false, true);
        m_panel.ShowRandomnessReport(1, folder(), QStringLiteral("*.txt"), false);
        QVERIFY(m_report->isVisible());
        QCOMPARE(m_report->windowTitle(), QStringLiteral("Randomness report for output files *.txt"));
        QVERIFY(m_report->report().text().startsWith(folder() + QStringLiteral("\r\n")));
        QVERIFY(m_report->report().text().contains(QStringLiteral("a.txt (400 bytes)")));
        QVERIFY(!m_report->blnRandomnessReport);
        QVERIFY(m_panel.fraMenu->isEnabled());
        m_report->cmdClose_Click();
    }
};

QTEST_MAIN(TestRandomnessPanel)
#include "test_randomness_panel.moc"

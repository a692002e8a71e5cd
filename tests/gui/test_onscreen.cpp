#include "key/gui/KeyWidgets.h"
#include "platform/os/MessageBox.h"
#include "platform/os/gui/OnScreen.h"
#include "platform/os/gui/WidgetDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QtTest>

// Windows placed beside the main window stay whole on the screen, wherever the main window is.
class TestOnScreen : public QObject {
    Q_OBJECT

    static QRect area() { return QGuiApplication::primaryScreen()->availableGeometry(); }

private slots:
    void insideArea_data() {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QPoint>("expected");
        const QRect a(0, 0, 800, 600);
        QTest::newRow("inside stays") << QRect(100, 100, 200, 100) << QPoint(100, 100);
        QTest::newRow("off the right") << QRect(700, 100, 200, 100) << QPoint(600, 100);
        QTest::newRow("off the bottom left") << QRect(-50, 550, 200, 100) << QPoint(0, 500);
        QTest::newRow("above the top") << QRect(10, -30, 200, 100) << QPoint(10, 0);
        QTest::newRow("larger than the area") << QRect(300, 300, 900, 700) << QPoint(0, 0);
    }
    void insideArea() {
        QFETCH(QRect, frame);
        QFETCH(QPoint, expected);
        QCOMPARE(OnScreen::insideArea(frame, QRect(0, 0, 800, 600)), expected);
    }

    // The report window beside the main window, never over it where the screen has room; whole on the screen.
    void besideOther_data() {
        QTest::addColumn<QRect>("other");
        QTest::addColumn<QPoint>("expected");
        // A 600x400 frame on a 1920x1000 area.
        QTest::newRow("room on the right") << QRect(100, 50, 700, 500) << QPoint(808, 50);
        QTest::newRow("room on the left only") << QRect(1300, 50, 600, 500) << QPoint(692, 50);
        QTest::newRow("room on neither side: the roomier, clamped") << QRect(500, 800, 1000, 150) << QPoint(0, 600);
    }
    void besideOther() {
        QFETCH(QRect, other);
        QFETCH(QPoint, expected);
        QCOMPARE(OnScreen::besideOther(QRect(0, 0, 600, 400), other, QRect(0, 0, 1920, 1000)), expected);
    }

    // The main window half off the screen: the key dialogs and a message box are still seen whole.
    void placedWindowsStayOnScreen() {
        QMainWindow main;
        main.resize(500, 400);
        main.move(area().right() - 200, area().bottom() - 150);
        main.show();
        QDialog across;
        across.resize(300, 120);
        KeyWidgets::placeAcrossBottom(&across, &main);
        QVERIFY2(area().contains(across.frameGeometry()), qPrintable(QString::number(across.x())));
        QDialog corner;
        corner.resize(300, 200);
        KeyWidgets::placeInBottomRight(&corner, &main);
        QVERIFY(area().contains(corner.frameGeometry()));

        installWidgetDialogs();
        main.activateWindow();
        QRect boxFrame;
        QTimer::singleShot(50, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            boxFrame = box->frameGeometry();
            box->accept();
        });
        MessageBox::show(QStringLiteral("A long message that makes the box wide enough to matter here."),
                         QStringLiteral("Title"), MessageBox::Warning);
        MessageBox::setPresenter(nullptr);
        QVERIFY(!boxFrame.isNull());
        QVERIFY2(area().contains(boxFrame), qPrintable(QStringLiteral("%1,%2").arg(boxFrame.x()).arg(boxFrame.y())));
    }
};

QTEST_MAIN(TestOnScreen)
#include "test_onscreen.moc"

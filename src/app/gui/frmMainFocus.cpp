// Where the keyboard focus goes in the main window: to the menu button the mouse moves over, but never to the one
// that merely lies under a pointer at rest when the window gets the focus back (after a dialog, say): Space would
// then act on a button the user never chose.
#include "app/gui/MenuButton.h"
#include "app/gui/frmMain.h"

#include <QCursor>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

namespace {

// The pointer's place as the event gives it, else where the pointer is now.
QPoint pointerOf(const QEvent* event) {
    if (event->type() == QEvent::MouseMove)
        return static_cast<const QMouseEvent*>(event)->globalPosition().toPoint();
    if (const auto* enter = dynamic_cast<const QEnterEvent*>(event))
        return enter->globalPosition().toPoint();
    return QCursor::pos();
}

} // namespace

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == lblOnlineDocumentation) {
        if (type == QEvent::MouseButtonRelease)
            lblOnlineDocumentation_Click();
        if (type == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
                lblOnlineDocumentation_Click();
                return true;
            }
        }
        return QMainWindow::eventFilter(watched, event);
    }
    if ((type == QEvent::Enter || type == QEvent::MouseMove) && watched->isWidgetType()) {
        const QPoint at = pointerOf(event);
        if (m_restingPointer && (at - *m_restingPointer).manhattanLength() <= 2)
            return QMainWindow::eventFilter(watched, event);
        m_restingPointer.reset();
        auto* button = static_cast<QWidget*>(watched);
        if (button->isEnabled() && button->isVisible() && !(button == cmdReportScreen && reportVisible()))
            button->setFocus(Qt::MouseFocusReason);
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::changeEvent(QEvent* event) {
    // Back from a dialog or another window: the focus stays where it was until the pointer really moves.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        m_restingPointer = QCursor::pos();
    QMainWindow::changeEvent(event);
}

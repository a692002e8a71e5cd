#include "app/gui/frmMain.h"

#include "app/gui/MenuButton.h"
#include "platform/os/gui/OnScreen.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLayout>

void frmMain::fitRowsToScreen() {
    // Rows of kRowHeight make the window about 514 pixels high. Where the screen leaves less room (a 1000-pixel
    // screen at a scale factor of 2 leaves 500, a 768-pixel one 384) the rows close up, down to what a button's
    // caption needs, and the window's margins narrow.
    const int room = OnScreen::boundedByScreen(QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX), this).height();
    QWidget* status = lblFunction->parentWidget();
    auto* grid = static_cast<QGridLayout*>(status->layout());
    QList<QWidget*> rows;
    for (QWidget* w : fraMenu->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        rows << w;
    rows << cmdQuit;
    QLayout* column = fraMenu->parentWidget()->layout();
    for (QWidget* w : status->findChildren<QWidget*>())
        if (w->minimumHeight() == w->maximumHeight() && w->maximumHeight() == kRowHeight)
            rows << w;
    const int smallest = fontMetrics().height() + 4;
    auto* outer = static_cast<QGridLayout*>(centralWidget()->layout());
    int height = kRowHeight;
    int spacing = kRowSpacing;
    while (sizeHint().height() > room && height > smallest) {
        spacing = 2;
        outer->setContentsMargins(4, 4, 4, 4);
        outer->setVerticalSpacing(spacing);
        --height;
        for (QWidget* w : rows)
            w->setFixedHeight(height);
        for (int row = 0; row < 15; ++row)
            grid->setRowMinimumHeight(row, height);
        grid->setVerticalSpacing(spacing);
        fraMenu->layout()->setSpacing(spacing);
        column->setSpacing(spacing);
        // The layouts pass the new heights up when they are activated, not before.
        for (QLayout* layout :
             {static_cast<QLayout*>(grid), fraMenu->layout(), column, centralWidget()->layout(), this->layout()})
            layout->activate();
    }
    if (height != kRowHeight) {
        resize(sizeHint());
        keepWideEnough();
    }
}

namespace {
// Watches the window's inner widgets for a change of layout (a status text grown longer) and widens the window
// to what they ask for, as far as the screen allows: once the rows have been closed up, the window's own layout
// no longer does this by itself.
class Widening : public QObject {
public:
    explicit Widening(QWidget* window) : QObject(window), m_window(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::LayoutRequest && !m_pending) {
            m_pending = true;
            QMetaObject::invokeMethod(
                this, [this] { widen(); }, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void widen() {
        m_pending = false;
        const int wanted = OnScreen::boundedByScreen(m_window->minimumSizeHint(), m_window).width();
        if (m_window->width() < wanted) {
            m_window->resize(wanted, m_window->height());
            OnScreen::keepOnScreen(m_window);
        }
    }
    QWidget* m_window;
    bool m_pending = false;
};
} // namespace

void frmMain::keepWideEnough() {
    auto* widening = new Widening(this);
    for (QWidget* w :
         {centralWidget(), lblFunction->parentWidget(), fraMenu->parentWidget(), static_cast<QWidget*>(fraMenu)})
        w->installEventFilter(widening);
    for (QLabel* label : lblFiles)
        label->parentWidget()->installEventFilter(widening);
}

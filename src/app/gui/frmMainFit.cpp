#include "app/gui/frmMain.h"

#include "app/gui/MenuButton.h"
#include "platform/os/gui/OnScreen.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLayout>

void frmMain::fitRowsToScreen() {
    // Rows of kRowHeight make the window about 514 pixels high. Where the screen leaves less room (a 1000-pixel
    // screen at a scale factor of 2 leaves 500) the rows close up, down to what a button's caption needs.
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
    const int smallest = fontMetrics().height() + 6;
    int height = kRowHeight;
    int spacing = kRowSpacing;
    while (sizeHint().height() > room && height > smallest) {
        spacing = 2;
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
    if (height != kRowHeight)
        resize(sizeHint());
}

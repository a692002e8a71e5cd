#include "platform/os/gui/CaptionRoom.h"

#include <QPushButton>

namespace CaptionRoom {

int extra(const QWidget* button) {
    return 2 * button->fontMetrics().averageCharWidth();
}

void give(QPushButton* button) {
    button->setMinimumWidth(button->sizeHint().width() + extra(button));
}

} // namespace CaptionRoom

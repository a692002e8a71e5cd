#include "platform/os/gui/OnScreen.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace OnScreen {

QPoint insideArea(const QRect& frame, const QRect& area) {
    const int x = std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width()));
    const int y = std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height()));
    return {x, y};
}

QPoint besideOther(const QRect& frame, const QRect& other, const QRect& area) {
    const int gap = 8;
    const int roomRight = area.right() + 1 - (other.right() + 1 + gap);
    const int roomLeft = other.left() - gap - area.left();
    int x;
    if (roomRight >= frame.width())
        x = other.right() + 1 + gap;
    else if (roomLeft >= frame.width())
        x = other.left() - gap - frame.width();
    else
        x = roomRight >= roomLeft ? other.right() + 1 + gap : other.left() - gap - frame.width();
    return insideArea(QRect(QPoint(x, other.top()), frame.size()), area);
}

QSize boundedByScreen(const QSize& size, const QWidget* window) {
    QScreen* screen = window ? window->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return size;
    // Room for a frame and a title bar, which the window system adds outside the window.
    const QSize frame(16, 48);
    return size.boundedTo(screen->availableGeometry().size() - frame);
}

void keepOnScreen(QWidget* window, const QWidget* reference) {
    if (!window)
        return;
    const QRect frame = window->frameGeometry();
    QScreen* screen = QGuiApplication::screenAt(frame.center());
    if (!screen && reference)
        screen = reference->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QPoint topLeft = insideArea(frame, screen->availableGeometry());
    if (topLeft != frame.topLeft())
        window->move(window->pos() + (topLeft - frame.topLeft()));
}

} // namespace OnScreen

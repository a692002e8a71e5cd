#include "app/gui/MenuButton.h"

#include "app/gui/MenuButtonAccessible.h"
#include "platform/os/gui/CaptionRoom.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QShortcutEvent>

MenuButton::MenuButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    setAutoDefault(false);
    setFocusPolicy(Qt::StrongFocus);
    MenuButtonAccessible::install();
}

void MenuButton::showsValueIn(const QList<QLabel*>& labels) {
    m_valueLabels.clear();
    for (QLabel* label : labels)
        m_valueLabels << label;
}

QString MenuButton::valueText() const {
    QStringList texts;
    for (const QPointer<QLabel>& label : m_valueLabels)
        if (label && !label->isHidden() && !label->text().trimmed().isEmpty())
            texts << label->text().trimmed();
    return texts.join(QLatin1Char(' '));
}

QSize MenuButton::sizeHint() const {
    return QPushButton::sizeHint() + QSize(CaptionRoom::extra(this), 0);
}

bool MenuButton::event(QEvent* event) {
    if (event->type() == QEvent::Shortcut) {
        // A letter two buttons share only moves the focus between them.
        setFocus(Qt::ShortcutFocusReason);
        if (!static_cast<QShortcutEvent*>(event)->isAmbiguous())
            emit mouseUp(Qt::LeftButton);
        event->accept();
        return true;
    }
    return QPushButton::event(event);
}

void MenuButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        QPushButton::mousePressEvent(event);
    else
        event->accept();
}

void MenuButton::mouseReleaseEvent(QMouseEvent* event) {
    const Qt::MouseButton button = event->button();
    if (button == Qt::LeftButton) {
        // Let the button draw itself released without emitting clicked(): nothing listens to it.
        setDown(false);
        event->accept();
    } else {
        event->accept();
    }
    emit mouseUp(button);
}

void MenuButton::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        event->accept();
        if (!event->isAutoRepeat())
            emit mouseUp(Qt::LeftButton);
        return;
    default:
        QPushButton::keyPressEvent(event);
    }
}

void MenuButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        event->accept();
        emit helpKey();
        return;
    }
    if (event->key() == Qt::Key_Space) {
        event->accept();
        return;
    }
    QPushButton::keyReleaseEvent(event);
}

#include "app/gui/MenuButtonAccessible.h"

#include "app/gui/MenuButton.h"

namespace {

QAccessibleInterface* menuButtonFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("MenuButton") && object && object->isWidgetType())
        return new MenuButtonAccessible(static_cast<MenuButton*>(object));
    return nullptr;
}

} // namespace

MenuButtonAccessible::MenuButtonAccessible(MenuButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

void MenuButtonAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(menuButtonFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

MenuButton* MenuButtonAccessible::button() const {
    return static_cast<MenuButton*>(widget());
}

QString MenuButtonAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Name && button()->accessibleName().isEmpty()) {
        QString caption = button()->text();
        return caption.remove(QLatin1Char('&'));
    }
    // Read when asked, so it always says what the labels say now.
    if (t == QAccessible::Description && button()->accessibleDescription().isEmpty()) {
        const QString value = button()->valueText();
        return value.isEmpty() ? button()->whatItDoes : value;
    }
    return QAccessibleWidget::text(t);
}

QAccessible::State MenuButtonAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.pressed = button()->isDown();
    return s;
}

QStringList MenuButtonAccessible::actionNames() const {
    return QStringList(pressAction()) + QAccessibleWidget::actionNames();
}

void MenuButtonAccessible::doAction(const QString& action) {
    if (action == pressAction() && button()->isEnabled())
        button()->activate();
    else
        QAccessibleWidget::doAction(action);
}

#pragma once

#include <QAccessibleWidget>

class MenuButton;

// How a menu button appears to assistive technology: a button named by its caption, described by the value
// shown beside it at the moment it is asked, whose press does what a left-button release does.
class MenuButtonAccessible : public QAccessibleWidget {
public:
    explicit MenuButtonAccessible(MenuButton* button);

    // Makes every menu button use this interface (once per program).
    static void install();

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& action) override;

private:
    MenuButton* button() const;
};

#pragma once

#include <QAccessibleWidget>

#include <functional>

class QLabel;

// A label that acts as a link (it opens a page when clicked or on Enter) appears to assistive technology as a
// link named by its text, whose press opens it.
class LinkLabelAccessible : public QAccessibleWidget {
public:
    explicit LinkLabelAccessible(QLabel* label);

    // Makes the label a link to assistive technology; `open` is called when it is pressed through it.
    static void makeLink(QLabel* label, std::function<void()> open);

    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString& action) override;
};

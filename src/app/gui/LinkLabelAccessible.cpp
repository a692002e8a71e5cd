#include "app/gui/LinkLabelAccessible.h"

#include <QHash>
#include <QLabel>
#include <QPointer>

#include <functional>

namespace {

QHash<QObject*, std::function<void()>>& opens() {
    static QHash<QObject*, std::function<void()>> table;
    return table;
}

QAccessibleInterface* linkFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("QLabel") && object && opens().contains(object))
        return new LinkLabelAccessible(static_cast<QLabel*>(object));
    return nullptr;
}

} // namespace

LinkLabelAccessible::LinkLabelAccessible(QLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}

void LinkLabelAccessible::makeLink(QLabel* label, std::function<void()> open) {
    static const bool installed = [] {
        QAccessible::installFactory(linkFactory);
        return true;
    }();
    Q_UNUSED(installed);
    opens().insert(label, std::move(open));
    // An interface made for it already (as a plain label) would be kept; it is made again, as a link.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(label);
        made && made->role() != QAccessible::Link)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    QObject::connect(label, &QObject::destroyed, [](QObject* gone) { opens().remove(gone); });
}

QString LinkLabelAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
        return static_cast<const QLabel*>(widget())->text();
    return QAccessibleWidget::text(t);
}

QStringList LinkLabelAccessible::actionNames() const {
    return QStringList(pressAction()) + QAccessibleWidget::actionNames();
}

void LinkLabelAccessible::doAction(const QString& action) {
    const auto open = opens().value(widget());
    if (action == pressAction() && open)
        open();
    else
        QAccessibleWidget::doAction(action);
}

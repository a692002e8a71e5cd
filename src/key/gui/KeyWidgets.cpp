#include "key/gui/KeyWidgets.h"

#include "key/KeyEntryNote.h"
#include "key/KeyMaterial.h"
#include "key/frmKeyFrom.h"
#include "platform/os/gui/OnScreen.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QValidator>
#include <QWidget>

namespace KeyWidgets {

namespace {

class Latin1Validator : public QValidator {
public:
    Latin1Validator(QObject* parent, std::function<void(const QString&)> refused)
        : QValidator(parent), m_refused(std::move(refused)) {}
    State validate(QString& input, int&) const override {
        const QString outside = KeyEntryNote::outsideLatin1(input);
        if (outside.isEmpty())
            return Acceptable;
        if (m_refused)
            m_refused(outside);
        return Invalid;
    }

private:
    std::function<void(const QString&)> m_refused;
};

class HoverFocus : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Enter) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->isEnabled() && w->isVisible())
                w->setFocus(Qt::MouseFocusReason);
        }
        return false;
    }
};

} // namespace

void makeKeyEntry(QLineEdit* entry, int maxLength, std::function<void(const QString&)> refused) {
    entry->setMaxLength(maxLength);
    if (!dynamic_cast<const Latin1Validator*>(entry->validator()))
        entry->setValidator(new Latin1Validator(entry, std::move(refused)));
    // Nothing of a key should end up in the clipboard or the undo history.
    entry->setContextMenuPolicy(Qt::NoContextMenu);
}

QByteArray keyBytes(const QLineEdit* entry) {
    return entry->text().toLatin1();
}

QByteArray trimmedBlanks(const QByteArray& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == ' ')
        ++first;
    while (last > first && text.at(last - 1) == ' ')
        --last;
    return text.mid(first, last - first);
}

void showKeyNote(QLabel* note, const QByteArray& typed, frmKeyFrom& key) {
    QByteArray reduced = key.ReducedKey(typed);
    note->setText(KeyEntryNote::lengthNote(reduced.size(), typed.size(), key.intMinKeyLength, key.intMaxKeyLength));
    KeyMaterial::wipe(reduced);
}

void showRefused(QLabel* note, const QString& refused) {
    note->setText(note->text().section(QLatin1Char('\n'), 0, 0) + QLatin1Char('\n') +
                  KeyEntryNote::refusedNote(refused));
}

void focusOnHover(QWidget* widget) {
    widget->installEventFilter(new HoverFocus(widget));
}

void placeAcrossBottom(QWidget* dialog, const QWidget* mainWindow) {
    if (!mainWindow)
        return;
    const QRect main = mainWindow->frameGeometry();
    const QRect frame = dialog->frameGeometry();
    const QRect inner = dialog->geometry();
    // Frame borders of the dialog, so that its outer edges are the ones placed.
    const int extraWidth = frame.width() - inner.width();
    dialog->resize(std::max(main.width() - extraWidth, dialog->minimumWidth()), dialog->height());
    const int outerHeight = dialog->frameGeometry().height();
    dialog->move(main.left(), main.bottom() + 1 - placementMargin - outerHeight);
    OnScreen::keepOnScreen(dialog, mainWindow);
}

void placeInBottomRight(QWidget* dialog, const QWidget* mainWindow) {
    if (!mainWindow)
        return;
    const QRect main = mainWindow->frameGeometry();
    const QRect frame = dialog->frameGeometry();
    dialog->move(main.right() + 1 - placementMargin - frame.width(),
                 main.bottom() + 1 - placementMargin - frame.height());
    OnScreen::keepOnScreen(dialog, mainWindow);
}

} // namespace KeyWidgets

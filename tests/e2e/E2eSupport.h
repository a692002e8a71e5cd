#pragma once

// Helpers for the real-window suites: the main window started as the program starts it, clicks and typing on
// widgets found by their object names, and a responder that answers every modal window (our own dialogs and
// the real message boxes) the moment it is shown.

#include "app/gui/frmMain.h"
#include "key/frmKeyFrom.h"
#include "platform/engine/Engine.h"
#include "platform/filekit/Language2.h"
#include "platform/os/FileDialog.h"
#include "platform/os/MessageBox.h"
#include "platform/os/gui/WidgetDialogs.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QPointer>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace E2e {

template <typename T = QWidget> T* child(QObject* parent, const QString& name) {
    T* w = parent->findChild<T*>(name);
    if (!w)
        qWarning("no widget named %s", qPrintable(name));
    return w;
}

// A left click on a visible, enabled widget, through the window system as a user's click would come.
inline bool click(QWidget* w) {
    if (!w || !w->isVisible() || !w->isEnabled()) {
        qWarning("cannot click %s", w ? qPrintable(w->objectName()) : "a missing widget");
        return false;
    }
    // A radio button or check box answers only on its indicator and text, at its left.
    const bool indicator = qobject_cast<QRadioButton*>(w) || qobject_cast<QCheckBox*>(w);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier,
                      indicator ? QPoint(std::min(8, w->width() / 2), w->height() / 2) : w->rect().center());
    return true;
}
inline bool click(QObject* parent, const QString& name) {
    return click(child(parent, name));
}

inline bool type(QObject* parent, const QString& name, const QString& text) {
    auto* box = child<QLineEdit>(parent, name);
    if (!box)
        return false;
    box->setFocus();
    QTest::keyClicks(box, text);
    return box->text().endsWith(text.trimmed()) || box->echoMode() != QLineEdit::Normal;
}

// Answers modal windows as they open. Our dialogs are answered by the handler registered under their object
// name (called at every showing); message boxes by a click on the button registered for a part of their
// text. Anything else is recorded as unexpected and closed, so a test fails instead of hanging.
class Responder : public QObject {
public:
    using Handler = std::function<void(QWidget*)>;

    Responder() { qApp->installEventFilter(this); }
    ~Responder() override { qApp->removeEventFilter(this); }

    void on(const QString& objectName, Handler handler) { m_handlers[objectName] = std::move(handler); }
    void answer(const QString& textPart, QMessageBox::StandardButton button) { m_answers[textPart] = button; }
    void forget() {
        m_handlers.clear();
        m_answers.clear();
    }

    QStringList shown;      // object names of our dialogs and texts of message boxes, in order
    QStringList unexpected; // what nothing was registered for

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->isWindow() && qobject_cast<QDialog*>(w)) {
                QPointer<QWidget> p(w);
                QTimer::singleShot(0, this, [this, p] { respond(p); });
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void respond(const QPointer<QWidget>& w) {
        if (qEnvironmentVariableIsSet("E2E_DEBUG"))
            qDebug() << "respond" << w << (w ? w->isVisible() : false) << QApplication::activeModalWidget();
        if (!w || !w->isVisible() || QApplication::activeModalWidget() != w)
            return;
        // Clicks reach a window through the X server only once it is mapped.
        if (!QTest::qWaitForWindowExposed(w.data()) || !w)
            return;
        if (auto* box = qobject_cast<QMessageBox*>(w.data())) {
            shown << box->text();
            for (auto it = m_answers.cbegin(); it != m_answers.cend(); ++it) {
                if (box->text().contains(it.key())) {
                    if (QAbstractButton* b = box->button(it.value())) {
                        QTest::mouseClick(b, Qt::LeftButton);
                        return;
                    }
                }
            }
            unexpected << QStringLiteral("message box: ") + box->text();
            box->reject();
            return;
        }
        // A form that carries no object name is known by its class.
        const QString name =
            w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
        shown << name;
        const auto handler = m_handlers.constFind(name);
        if (handler != m_handlers.cend()) {
            (*handler)(w);
            return;
        }
        unexpected << QStringLiteral("window: ") + name + QStringLiteral(" \"") + w->windowTitle() + QLatin1Char('"');
        w->close();
    }

    QMap<QString, Handler> m_handlers;
    QMap<QString, QMessageBox::StandardButton> m_answers;
};

// Closes any modal window still open after `seconds`: a window nobody answers fails the test, never hangs it.
class Watchdog {
public:
    explicit Watchdog(int seconds) {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            fired = true;
            closeModals();
        });
        m_timer.start(seconds * 1000);
    }
    bool fired = false;

private:
    static void closeModals() {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            qWarning("watchdog closes %s", qPrintable(modal->objectName()));
            modal->close();
            QTimer::singleShot(10, &Watchdog::closeModals);
        }
    }
    QTimer m_timer;
};

// The program's start-up: real dialogs, the program texts beside the executable, then Form_Load.
inline std::unique_ptr<frmMain> startProgram() {
    installWidgetDialogs();
    if (Language2::ReadProgramText(QStringLiteral("zq4_text.dat")) < 1)
        return {};
    auto w = std::make_unique<frmMain>();
    w->endProgram = [] {};
    if (!w->Form_Load())
        return {};
    if (!QTest::qWaitForWindowExposed(w.get()))
        return {};
    return w;
}

// The key the engine receives for a key given as text or read from a keyfile.
inline QByteArray engineKey(const QByteArray& given) {
    frmKeyFrom rules;
    return frmKeyFrom::stretchedKey(rules.ReducedKey(given));
}

// Decrypts a cipher file with the engine directly; the plaintext, or empty with ok false.
inline QByteArray decryptWith(const QByteArray& key, const QString& cipherPath, const QString& scratch, bool& ok) {
    QFile::remove(scratch);
    zq4e::operation_initialization(key, 0, QFileInfo(cipherPath).size(), 0);
    ok = zq4e::decrypt_file(cipherPath, scratch) == 0;
    const QByteArray plain = ok ? TestSupport::readFile(scratch) : QByteArray();
    QFile::remove(scratch);
    return plain;
}

} // namespace E2e

#pragma once

#include <QList>
#include <QString>

#include <functional>

// Every message box of the program goes through here. Tests queue answers with setNextAnswer() and read back
// what was shown; the program installs a presenter that shows a real box (see gui/WidgetDialogs.h).
class MessageBox {
public:
    enum Icon { NoIcon, Information, Warning, Critical, Question };
    // Buttons and answers; a box offers a combination of these.
    enum Button {
        NoButton = 0,
        Ok = 0x01,
        Cancel = 0x02,
        Yes = 0x04,
        No = 0x08,
        Abort = 0x10,
        Retry = 0x20,
        Ignore = 0x40,
    };
    using Buttons = int;

    struct Shown {
        QString text;
        QString title;
        Icon icon = NoIcon;
        Buttons buttons = Ok;
        Button defaultButton = NoButton;
        Button answer = NoButton;
    };

    // Shows a box and returns the button chosen. Without a presenter and without a queued answer the
    // default button (or, failing that, the first button offered) is the answer.
    static Button show(const QString& text, const QString& title, Icon icon, Buttons buttons = Ok,
                       Button defaultButton = NoButton);

    static Button information(const QString& text, const QString& title = QString());
    static Button warning(const QString& text, const QString& title = QString());
    static Button critical(const QString& text, const QString& title = QString());

    // Test hooks.
    static void setNextAnswer(Button answer);
    static int pendingAnswers();
    static const QList<Shown>& history();
    static Shown last();
    static void clearHistory();
    static void reset(); // drops queued answers and history

    using Presenter = std::function<Button(const Shown&)>;
    static void setPresenter(Presenter presenter);
    static bool hasPresenter();
};

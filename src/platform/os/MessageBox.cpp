#include "platform/os/MessageBox.h"

#include <QQueue>

namespace {
struct State {
    QQueue<MessageBox::Button> answers;
    QList<MessageBox::Shown> history;
    MessageBox::Presenter presenter;
};
State& state() {
    static State s;
    return s;
}

MessageBox::Button firstOffered(MessageBox::Buttons buttons) {
    for (int b = MessageBox::Ok; b <= MessageBox::Ignore; b <<= 1)
        if (buttons & b)
            return static_cast<MessageBox::Button>(b);
    return MessageBox::Ok;
}
} // namespace

MessageBox::Button MessageBox::show(const QString& text, const QString& title, Icon icon, Buttons buttons,
                                    Button defaultButton) {
    State& s = state();
    if (buttons == NoButton)
        buttons = Ok;
    Shown shown{text, title, icon, buttons, defaultButton, NoButton};
    if (!s.answers.isEmpty())
        shown.answer = s.answers.dequeue();
    else if (s.presenter)
        shown.answer = s.presenter(shown);
    else
        shown.answer = defaultButton != NoButton ? defaultButton : firstOffered(buttons);
    s.history.append(shown);
    return shown.answer;
}

MessageBox::Button MessageBox::information(const QString& text, const QString& title) {
    return show(text, title, Information);
}
MessageBox::Button MessageBox::warning(const QString& text, const QString& title) {
    return show(text, title, Warning);
}
MessageBox::Button MessageBox::critical(const QString& text, const QString& title) {
    return show(text, title, Critical);
}

void MessageBox::setNextAnswer(Button answer) { state().answers.enqueue(answer); }
int MessageBox::pendingAnswers() { return static_cast<int>(state().answers.size()); }
const QList<MessageBox::Shown>& MessageBox::history() { return state().history; }
MessageBox::Shown MessageBox::last() { return state().history.isEmpty() ? Shown{} : state().history.last(); }
void MessageBox::clearHistory() { state().history.clear(); }
void MessageBox::reset() {
    state().answers.clear();
    state().history.clear();
}
void MessageBox::setPresenter(Presenter presenter) { state().presenter = std::move(presenter); }
bool MessageBox::hasPresenter() { return static_cast<bool>(state().presenter); }

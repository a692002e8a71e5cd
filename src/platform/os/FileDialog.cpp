#include "platform/os/FileDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QQueue>

namespace {
struct State {
    QQueue<QString> answers;
    QList<FileDialog::Request> history;
    FileDialog::Presenter presenter;
    QString lastFolder; // where the last dialog ended
};
State& state() {
    static State s;
    return s;
}
} // namespace

QString FileDialog::ask(Request request) {
    State& s = state();
    // The program's current folder is the root: a dialog given no folder starts where the user was.
    if (request.directory.isEmpty())
        request.directory = s.lastFolder.isEmpty() ? QDir::homePath() : s.lastFolder;
    if (!s.answers.isEmpty())
        request.answer = s.answers.dequeue();
    else if (s.presenter)
        request.answer = s.presenter(request);
    s.history.append(request);
    if (!request.answer.isEmpty())
        s.lastFolder = request.kind == Folder ? request.answer : QFileInfo(request.answer).absolutePath();
    return request.answer;
}

QString FileDialog::getOpenFileName(const QString& title, const QString& directory, const QString& filter) {
    return ask({Open, title, directory, filter, false, {}});
}

QString FileDialog::getSaveFileName(const QString& title, const QString& directory, const QString& filter,
                                    bool confirmOverwrite) {
    return ask({Save, title, directory, filter, confirmOverwrite, {}});
}

QString FileDialog::getExistingDirectory(const QString& title, const QString& directory) {
    return ask({Folder, title, directory, {}, false, {}});
}

void FileDialog::setNextFileName(const QString& name) { state().answers.enqueue(name); }
int FileDialog::pendingAnswers() { return static_cast<int>(state().answers.size()); }
const QList<FileDialog::Request>& FileDialog::history() { return state().history; }
FileDialog::Request FileDialog::last() { return state().history.isEmpty() ? Request{} : state().history.last(); }
void FileDialog::reset() {
    state().answers.clear();
    state().history.clear();
    state().lastFolder.clear();
}
void FileDialog::setPresenter(Presenter presenter) { state().presenter = std::move(presenter); }

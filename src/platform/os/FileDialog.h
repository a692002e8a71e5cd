#pragma once

#include <QList>
#include <QString>

#include <functional>

// Every open, save and folder dialog goes through here. Tests queue the names the "user" picks
// (an empty name is a cancelled dialog); the program installs a presenter showing real dialogs.
class FileDialog {
public:
    enum Kind { Open, Save, Folder };

    struct Request {
        Kind kind = Open;
        QString title;
        QString directory; // folder or file the dialog starts at; empty: where the last dialog ended, at
                           // first the home folder
        QString filter;    // "Text files (*.txt);;All files (*)" style, empty for folders
        bool confirmOverwrite = false; // Save only
        QString answer;                // what came back; empty when cancelled
    };

    static QString getOpenFileName(const QString& title, const QString& directory, const QString& filter);
    static QString getSaveFileName(const QString& title, const QString& directory, const QString& filter,
                                   bool confirmOverwrite = false);
    static QString getExistingDirectory(const QString& title, const QString& directory);

    // Test hooks. Answers are taken in order whatever the dialog kind; with none queued and no presenter
    // a dialog is cancelled.
    static void setNextFileName(const QString& name);
    static void setNextDirectory(const QString& path) { setNextFileName(path); }
    static int pendingAnswers();
    static const QList<Request>& history();
    static Request last();
    static void reset(); // also forgets where the last dialog ended

    using Presenter = std::function<QString(const Request&)>;
    static void setPresenter(Presenter presenter);

private:
    static QString ask(Request request);
};

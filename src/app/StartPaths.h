#pragma once

#include <QString>
#include <QStringList>

// What the window is set to when it is given paths: on the command line, from the desktop's "Open with", or
// dropped on it. The input is one file or one folder, so only the first path is taken.
struct StartPaths {
    enum Kind {
        Nothing,    // no path given
        SingleFile, // a regular file: the single-file input
        Folder,     // a folder: its files matching *.*
        Unusable,   // missing, or neither a file nor a folder (a socket, a device, ...)
    };
    Kind kind = Nothing;
    QString path;        // the first path, absolute; a folder ends with the separator
    bool encrypt = true; // a file that carries our header is decrypted, anything else encrypted
    int notTaken = 0;    // the paths given after the first

    // Relative paths are taken from the current folder, so call this before anything changes it.
    static StartPaths from(const QStringList& paths);

    // The message that tells the user what was not used, or empty: the path that could not be used, and how
    // many paths were left out.
    QString message() const;
};

// The file begins with the four bytes of our header ("ZQ4E").
bool carriesOurHeader(const QString& path);

#pragma once

#include <QString>

// A file's line of the report as a value: what became of one file and the text that says so. The step makes it
// once the file's outcome is final (for a file of a group, once the group has given the result its name), the run
// counts it and writes it, and the command line says a file not done from it.
struct FileLine {
    QString path;          // the input file
    QString name;          // its name in its folder, for the name column
    qint64 size = -1;      // the size said after the name; -1: none (the file was not measured)
    int code = 0;          // the step's code: a StepCode or a zq4e::ResultCode, 0 done
    bool done = false;     // counts as processed: the result is complete and where the line says
    qint64 bytes = 0;      // the input's size, counted when done
    bool wrongKey = false; // a decryption refused although the file began with a header of ours
    bool encryptedTwice = false;
    QString outcome; // what follows the name and size, continuation lines included
    QString head;    // the line's start as already shown (name column and size); empty: made from name and size

    // The line as the report keeps it, with its line break.
    [[nodiscard]] QString text() const;

    // The start of a file's line: its name column and, once measured (size >= 0), its size.
    [[nodiscard]] static QString start(const QString& name, qint64 size = -1);
    // The name column of start(name) followed by the size.
    [[nodiscard]] static QString withSize(const QString& column, qint64 size);
    // The piece the report shows while the file is worked on: its start (with its size) and
    // "  ... encrypting ... ".
    [[nodiscard]] static QString working(const QString& start, bool encrypt);
};

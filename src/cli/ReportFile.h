#pragma once

#include <QString>
#include <QStringList>

// The report file of a command-line run (--report). Nothing is opened before the run is accepted: the
// whole report is written at the end to a private temporary file beside the path (beside the file a link
// leads to) and renamed onto it, so a run that is refused or killed leaves whatever was at the path as it
// was. A path that leads to something other than a file (/dev/stdout, a pipe) is written to as it is.
class ReportFile {
public:
    explicit ReportFile(const QString& path) : m_path(path) {}
    bool wanted() const { return !m_path.isEmpty(); }

    // Why the path must not receive the report, or empty when it may: its folder cannot take a file, it is
    // one of `files` (the operation file, the keyfile) by identity, or it lies in one of `folders` (in any
    // folder below one of `trees`), where the run reads and writes.
    QString refusal(const QStringList& files, const QStringList& folders, const QStringList& trees) const;

    // Writes the report (CR LF lines written as LF); false, with the error printed, when it could not.
    bool write(const QString& report) const;

private:
    // The path the report goes to: that of the file a link leads to, or the path itself.
    QString target() const;
    // The target exists and is neither a regular file nor a folder: it is written to, not replaced.
    bool isSpecial() const;
    QString m_path;
};

#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

// The listing of a randomness report: one line per matching file, folder by folder. The report window supplies
// the hooks; the listing itself knows nothing of windows.
struct RandomnessListingContext {
    bool blnSubdirectories = false;
    int intMinFilesizeForRandomness = 256;
    double dblMinZQ4Randomness = 0.89;

    // Appends text to the report, moves the caret to its end and repaints; false when the report can take no
    // more.
    std::function<bool(const QString&)> addToReport;
    // Yields to the event loop and honours Pause and Stop; returns true when the listing is to stop.
    std::function<bool()> checkPauseAndStop;
    // Counts a listed file (intFilesAttempted).
    std::function<void()> fileAttempted;
    // The matching files of the folder being listed (the main window's intNumFiles).
    std::function<void(qint64)> setNumFiles;
    // The folder about to be listed (the report window's strNextDirPath).
    std::function<void(const QString&)> setNextDirPath;
    // After the failure's description has been shown: the report window's buffer-full handling, stop, clock off.
    std::function<void()> failed;
    // The randomness measure; empty for the auxiliary library's.
    std::function<double(const QString& path, int minimumSize)> measure;
};

namespace RandomnessListing {

// Value field for a measured file: three decimals, or a library error code in brackets.
QString valueField(double randomness);
// One report line, CR LF included; a file below the minimum size has no value (five blanks).
QString line(const QString& name, qint64 length, bool measured, double randomness, double minRandomness);

// Lists the folder's matching files and, with subfolders on, those of every folder below it. A failure (an
// unreadable folder or file, a full report) shows its description titled "Error" and calls context.failed.
// Returns false when the listing was ended by Stop or a failure.
bool ListFolderRandomness(const QString& folder, const QString& spec, const RandomnessListingContext& context);

} // namespace RandomnessListing

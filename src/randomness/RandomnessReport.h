#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <QtGlobal>

#include <functional>

// The randomness report of one side (0 input, 1 output): one file is rated and shown in the graphic window,
// several files (or a search through subfolders) are listed in the report window.
namespace RandomnessReport {

// The menu button: false (after the message) when neither side is specified, so the panel stays closed.
bool mayOpenPanel(bool inputSpecified, bool outputSpecified);

bool hasWildcard(const QString& spec);

// What becomes of a single file once it has been rated.
struct SingleFile {
    enum Kind { TooSmall, CannotGive, Graphic };
    Kind kind = CannotGive;
    // Graphic: the window's caption, its two labels and the even length it draws.
    QString caption;
    QString filesizeText;
    QString randomnessText;
    qint64 graphicLength = 0;
};

// path is the file's full path, length its size, r its randomness (or the library's error code).
SingleFile rateSingleFile(int side, const QString& path, qint64 length, double r);
// The message of TooSmall and CannotGive (nothing for Graphic).
void showSingleFileMessage(const SingleFile& outcome, const QString& spec, qint64 length);

// The report window's caption for a listing.
QString listingCaption(int side, const QString& spec);

// Placement, in pixels (15 twips each), relative to the main window's frame.
QPoint graphicPosition(const QRect& mainFrame, int graphicWidth);
QRect listingGeometry(const QRect& mainFrame, int reportHeight);

// What the main window does at each step; every hook may be left empty.
struct Hooks {
    int intMinFilesizeForRandomness = 256;
    // Matching files of the folder (-1: the folder cannot be read; its message has been shown).
    std::function<qint64(const QString& folder, const QString& spec)> countMatchingFiles;
    std::function<void()> closePanel;                                       // "Not now"
    std::function<void()> hidePanelAndDisableFrames;                        //
    std::function<void(bool)> showChecking;                                 // "Checking file ..." on, then off
    std::function<void(const QString& path, qint64 length)> setCurrentFile; // strCurrentFilePath, lngFilesize
    std::function<double(const QString& path, int minimumSize)> measure;    // empty: the auxiliary library
    std::function<void(const SingleFile&)> showGraphic;                     // modal
    // Sets up the report window and runs its listing; true if the report window is visible afterwards.
    std::function<bool(const QString& folder, const QString& spec, const QString& caption)> runListing;
    std::function<void()> enableFrames;
    std::function<void(bool reportVisible)> placeFocus;
};

void ShowRandomnessReport(int side, const QString& folder, const QString& spec, bool subdirectories,
                          const Hooks& hooks);

} // namespace RandomnessReport

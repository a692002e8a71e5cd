#include "randomness/RandomnessReport.h"

#include "files/FileProc.h"
#include "platform/os/MessageBox.h"
#include "platform/os/PathEntry.h"

#include <QFileInfo>
#include <QLocale>

namespace {

const QString kTitle = QStringLiteral("Randomness report");

constexpr int kTwipsPerPixel = 15;
constexpr int kBelowMainTop = 450 / kTwipsPerPixel;
constexpr int kInsideMainRight = 120 / kTwipsPerPixel;

template <typename F, typename... A> void call(const F& f, A&&... args) {
    if (f)
        f(std::forward<A>(args)...);
}

} // namespace

namespace RandomnessReport {

bool mayOpenPanel(bool inputSpecified, bool outputSpecified) {
    if (inputSpecified || outputSpecified)
        return true;
    MessageBox::show(QStringLiteral("Neither input files nor output files are specified."), QStringLiteral("Error"),
                     MessageBox::Warning);
    return false;
}

bool hasWildcard(const QString& spec) {
    return spec.contains(QLatin1Char('?')) || spec.contains(QLatin1Char('*'));
}

SingleFile rateSingleFile(int side, const QString& path, qint64 length, double r) {
    SingleFile outcome;
    if (r == -15) {
        outcome.kind = SingleFile::TooSmall;
    } else if (r > -11) {
        outcome.kind = SingleFile::Graphic;
        // The graphic reads the file in pairs of bytes.
        outcome.graphicLength = length - (length % 2);
        outcome.caption = (side == 0 ? QStringLiteral("Input") : QStringLiteral("Output")) + QStringLiteral(" file: ") +
                          path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
        outcome.filesizeText =
            QStringLiteral("Filesize = ") + QLocale().toString(outcome.graphicLength) + QStringLiteral(" bytes");
        outcome.randomnessText = QStringLiteral("Randomness = ") + QLocale().toString(r, 'f', 3);
    } else {
        outcome.kind = SingleFile::CannotGive;
    }
    return outcome;
}

void showSingleFileMessage(const SingleFile& outcome, const QString& spec, qint64 length) {
    if (outcome.kind == SingleFile::TooSmall)
        MessageBox::show(spec + QStringLiteral(" is too small (") + QString::number(length) +
                             QStringLiteral(" bytes) to have a randomness value."),
                         kTitle, MessageBox::NoIcon, MessageBox::Ok);
    else if (outcome.kind == SingleFile::CannotGive)
        MessageBox::show(QStringLiteral("Cannot give a randomness report for this file."), QStringLiteral("Error"),
                         MessageBox::Warning);
}

QString listingCaption(int side, const QString& spec) {
    return QStringLiteral("Randomness report for ") +
           (side == 0 ? QStringLiteral("input files") : QStringLiteral("output files")) + QLatin1Char(' ') +
           FileProc::InputSpecShown(spec);
}

QPoint graphicPosition(const QRect& mainFrame, int graphicWidth) {
    return QPoint(mainFrame.x() + mainFrame.width() - kInsideMainRight - graphicWidth, mainFrame.y() + kBelowMainTop);
}

QRect listingGeometry(const QRect& mainFrame, int reportHeight) {
    return QRect(mainFrame.x(), mainFrame.y() + kBelowMainTop, mainFrame.width(), reportHeight);
}

void ShowRandomnessReport(int side, const QString& folder, const QString& spec, bool subdirectories,
                          const Hooks& hooks) {
    // A single file's pattern is its exact name behind a mark of ours: the user sees the name only, and its "*"
    // or "?" are letters of it.
    const QString shown = FileProc::InputSpecShown(spec);
    const bool wildcard = shown == spec && hasWildcard(spec);
    if (!subdirectories) {
        const qint64 n = hooks.countMatchingFiles ? hooks.countMatchingFiles(folder, spec) : 0;
        if (n == 0)
            MessageBox::show(wildcard ? QStringLiteral("There are no files in ") + folder +
                                            QStringLiteral(" matching ") + spec + QLatin1Char('.')
                                      : QStringLiteral("File ") + shown + QStringLiteral(" not found."),
                             kTitle, MessageBox::Warning);
        // A folder that cannot be read has had its message already.
        if (n <= 0) {
            call(hooks.closePanel);
            return;
        }
    }

    call(hooks.hidePanelAndDisableFrames);
    bool reportVisible = false;
    if (!wildcard && !subdirectories) {
        const QString path = folder + shown;
        const qint64 length = PathEntry::size(path);
        call(hooks.setCurrentFile, path, length);
        call(hooks.showChecking, true);
        const double r = hooks.measure ? hooks.measure(path, hooks.intMinFilesizeForRandomness)
                                       : FileProc::FileRandomness(path, hooks.intMinFilesizeForRandomness);
        call(hooks.showChecking, false);
        const SingleFile outcome = rateSingleFile(side, path, length, r);
        if (outcome.kind == SingleFile::Graphic) {
            call(hooks.setCurrentFile, path, outcome.graphicLength);
            call(hooks.showGraphic, outcome);
        } else {
            showSingleFileMessage(outcome, shown, length);
        }
    } else if (hooks.runListing) {
        reportVisible = hooks.runListing(folder, spec, listingCaption(side, spec));
    }
    call(hooks.enableFrames);
    call(hooks.placeFocus, reportVisible);
}

} // namespace RandomnessReport

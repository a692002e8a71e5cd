#include "batch/gui/frmReport.h"

#include "batch/MatchingCount.h"
#include "batch/RunContext.h"
#include "batch/gui/ProgressPanel.h"
#include "batch/gui/ReportView.h"
#include "batch/gui/frmAntiVirusQuery.h"
#include "batch/gui/frmPurgeWarning.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"
#include "platform/os/gui/OnScreen.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const QString copyCaption = QStringLiteral("C&opy to clipboard");
const QString copySelectedCaption = QStringLiteral("C&opy selected text to clipboard");
} // namespace

frmReport::frmReport(RunContext& context, QWidget* parent) : QDialog(parent), BatchRun(context) {
    setObjectName(QStringLiteral("frmReport"));
    setWindowTitle(QStringLiteral("Report"));

    txbText = new ReportView(report().text(), this);
    txbText->setObjectName(QStringLiteral("txbText"));
    txbText->setAccessibleName(QStringLiteral("Report"));
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch())
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    txbText->setFont(font);
    txbText->viewport()->installEventFilter(this);

    lblPausedDone = new QLabel(this);
    lblPausedDone->setObjectName(QStringLiteral("lblPausedDone"));
    cmdStop = new QPushButton(QStringLiteral("&Stop at next file"), this);
    cmdStop->setObjectName(QStringLiteral("cmdStop"));
    cmdPauseContinue = new QPushButton(QStringLiteral("&Pause at next file"), this);
    cmdPauseContinue->setObjectName(QStringLiteral("cmdPauseContinue"));
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdCopyToClipboard = new QPushButton(copyCaption, this);
    cmdCopyToClipboard->setObjectName(QStringLiteral("cmdCopyToClipboard"));
    for (QPushButton* b : {cmdStop, cmdPauseContinue, cmdClose, cmdCopyToClipboard})
        b->setAutoDefault(false);
    cmdStop->hide();
    cmdPauseContinue->hide();
    cmdCopyToClipboard->hide();

    Clock = new QTimer(this);
    Clock->setObjectName(QStringLiteral("Clock"));
    Clock->setInterval(100);
    connect(Clock, &QTimer::timeout, this, [this] {
        // The end of the report is followed while lines come in.
        m_scrollWanted = m_scrollWanted || m_dirty;
        refreshText();
    });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblPausedDone);
    buttons->addStretch();
    buttons->addWidget(cmdCopyToClipboard);
    buttons->addWidget(cmdPauseContinue);
    buttons->addWidget(cmdStop);
    buttons->addWidget(cmdClose);
    fraProgress = new ProgressPanel(this);
    fraProgress->setAccessibleName(QStringLiteral("Progress"));
    lblPausedDone->setAccessibleName(QStringLiteral("Status"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txbText);
    layout->addWidget(fraProgress);
    layout->addLayout(buttons);
    resize(OnScreen::boundedByScreen(QSize(kStartWidth, kStartHeight), this));

    connect(cmdStop, &QPushButton::clicked, this, &frmReport::cmdStop_Click);
    connect(cmdPauseContinue, &QPushButton::clicked, this, &frmReport::cmdPauseContinue_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmReport::cmdClose_Click);
    connect(cmdCopyToClipboard, &QPushButton::clicked, this, &frmReport::cmdCopyToClipboard_Click);
}

frmReport::~frmReport() = default;

frmAntiVirusQuery& frmReport::antiVirusQuery() {
    if (!m_antiVirusQuery)
        m_antiVirusQuery = new frmAntiVirusQuery(this);
    return *m_antiVirusQuery;
}

frmPurgeWarning& frmReport::purgeWarning() {
    if (!m_purgeWarning)
        m_purgeWarning = new frmPurgeWarning([this](const QString& w) { return TxtEncDec(w); }, this);
    return *m_purgeWarning;
}

void frmReport::cmdStop_Click() {
    requestStop();
}

void frmReport::cmdPauseContinue_Click() {
    togglePause();
}

void frmReport::cmdClose_Click() {
    if (blnComparisonReport && onCloseComparison) {
        onCloseComparison();
        return;
    }
    blnStop = true;
    Clock->stop();
    hide();
}

void frmReport::reject() {
    cmdClose_Click();
}

void frmReport::closeEvent(QCloseEvent* event) {
    const bool running = isRunning();
    cmdClose_Click();
    // Closing from the title bar discards the window's report, unless a run still writes to it.
    if (!running && !blnComparisonReport) {
        report().clear();
        refreshText();
    }
    event->accept();
}

void frmReport::cmdCopyToClipboard_Click() {
    if (!report().isEmpty()) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        if (txbText->hasSelection()) {
            clipboard->setText(txbText->selectedText());
        } else {
            clipboard->setText(report().text());
        }
        lblPausedDone->clear();
        setStatus(QString());
        cmdCopyToClipboard->setText(copyCaption);
    }
    cmdClose->setFocus();
}

bool frmReport::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txbText->viewport() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && cmdCopyToClipboard->isEnabled())
        QTimer::singleShot(0, this, &frmReport::selectionFeedback);
    return QDialog::eventFilter(watched, event);
}

void frmReport::selectionFeedback() {
    if (txbText->hasSelection()) {
        cmdCopyToClipboard->setText(copySelectedCaption);
        setStatus(QString());
    } else {
        cmdCopyToClipboard->setText(copyCaption);
    }
}

void frmReport::refreshText() {
    if (m_dirty) {
        showNewText();
        m_dirty = false;
    }
    if (m_scrollWanted) {
        scrollToEnd();
        m_scrollWanted = false;
    }
}

void frmReport::showNewText() {
    txbText->showChanges(report().takeUntouchedLength());
}

void frmReport::scrollToEnd() {
    txbText->moveToEnd();
}

void frmReport::runStarted() {
    // Every run starts at the start size: a short report before must not leave the next run in a small window.
    m_fitPending = false;
    m_sizesFolder.clear();
    resize(width(), OnScreen::boundedByScreen(QSize(kStartWidth, kStartHeight), this).height());
    fraProgress->runStarted();
    txbText->clear();
    m_dirty = false;
    Clock->start();
    cmdCopyToClipboard->hide();
    cmdClose->hide();
    cmdStop->setText(QStringLiteral("&Stop at next file"));
    cmdStop->show();
    cmdPauseContinue->setText(QStringLiteral("&Pause at next file"));
    cmdPauseContinue->setVisible(!context().blnPerformingReliabilityTest);
    m_filesStarted = 0;
    const bool realRun = blnPerformingOperation && !blnGettingInputFilesizes && !blnRandomnessReport;
    intMatchingFiles =
        realRun ? MatchingCount::filesBelow(strInputDirpath, strInputFilespec, context().runSetup.blnSubdirectories)
                : -1;
    emit runProgress();
}

QString frmReport::runningText() const {
    if (!isRunning() || intMatchingFiles < 0)
        return QString();
    QString text = QStringLiteral("Running: ") + QLocale().toString(qMin(m_filesStarted, intMatchingFiles)) +
                   QStringLiteral(" of ") + QLocale().toString(intMatchingFiles) +
                   (intMatchingFiles == 1 ? QStringLiteral(" file") : QStringLiteral(" files"));
    if (!status().isEmpty())
        text += QStringLiteral(" (") + status() + QLatin1Char(')');
    return text;
}

void frmReport::runEnded() {
    m_filesStarted = 0;
    // Said once the run has returned, whoever started it (an operation, a randomness listing, a test).
    QTimer::singleShot(0, this, [this] { emit runProgress(); });
    fraProgress->runEnded();
    cmdStop->hide();
    cmdPauseContinue->hide();
    cmdClose->show();
    Clock->stop();
    refreshText();
}

void frmReport::reportChanged(bool scroll) {
    m_dirty = true;
    m_scrollWanted = m_scrollWanted || scroll;
    // While a run goes on the clock brings the text box up to date; otherwise do it now.
    if (!isRunning() || !Clock->isActive()) {
        refreshText();
        if (m_fitPending)
            fitNow();
    }
}

void frmReport::statusChanged() {
    lblPausedDone->setText(status());
    emit runProgress();
}

void frmReport::setClockEnabled(bool on) {
    if (on) {
        Clock->start();
        return;
    }
    Clock->stop();
    // The clock drew the new lines; stopped (a pause, Stop, a dialog), the lines written so far show now.
    refreshText();
}

void frmReport::stopPressed() {
    cmdStop->hide();
    cmdPauseContinue->hide();
    cmdClose->show();
}

void frmReport::pauseToggled() {
    if (blnPaused) {
        cmdStop->setText(QStringLiteral("&Stop"));
        cmdPauseContinue->setText(QStringLiteral("&Continue"));
    } else {
        cmdStop->setText(QStringLiteral("&Stop at next file"));
        cmdPauseContinue->setText(QStringLiteral("&Pause at next file"));
    }
}

void frmReport::fitToReport() {
    // Done once the report is complete: the closing date line is written after this call.
    m_fitPending = intReportLines < 100;
}

void frmReport::fitNow() {
    m_fitPending = false;
    if (layout())
        layout()->activate();
    // Every line, the empty line after the last line break (the caret's) included; the window only ever shrinks.
    int wanted = txbText->fittingHeight();
    if (context().blnPerformingReliabilityTest)
        wanted = qMax(wanted, txbText->heightForLines(kComparisonLines));
    const int diff = txbText->height() - wanted;
    if (diff > 0)
        resize(width(), height() - diff);
}

void frmReport::showAtLeastLines(int lines) {
    if (layout())
        layout()->activate();
    const int missing = txbText->heightForLines(lines) - txbText->height();
    if (missing > 0)
        resize(width(), OnScreen::boundedByScreen(QSize(width(), height() + missing), this).height());
}

void frmReport::fileStarted(qsizetype index, const QString& path, qint64 size, bool inPlace) {
    // The path is the folder's path followed by the name; taken apart here, not looked up, for every file.
    ++m_filesStarted;
    emit runProgress();
    const QString& name = strInputNames.at(index);
    const QString folder = path.chopped(name.size() + 1);
    fraProgress->fileStarted(NativeName::shown(name), size, inPlace, index + 1, strInputNames.size(),
                             [this, folder, index] { return folderBytes(folder, index); });
}

void frmReport::fileFinished() {
    fraProgress->fileEnded();
}

std::pair<qint64, qint64> frmReport::folderBytes(const QString& folder, qsizetype index) {
    if (folder != m_sizesFolder || m_sizesBefore.size() != strInputNames.size() + 1) {
        m_sizesFolder = folder;
        m_sizesBefore = {0};
        for (const QString& name : std::as_const(strInputNames))
            m_sizesBefore << m_sizesBefore.last() + qMax<qint64>(0, PathEntry::size(folder + QLatin1Char('/') + name));
    }
    return {m_sizesBefore.value(index), m_sizesBefore.last()};
}

void frmReport::hideWindow() {
    hide();
}

void frmReport::showCopyButton() {
    cmdCopyToClipboard->setText(copyCaption);
    cmdCopyToClipboard->show();
}

bool frmReport::purgeAdviceWanted() const {
    return m_purgeWarning ? m_purgeWarning->blnShowPurgeWarning : true;
}

void frmReport::resetPurgeAdvice() {
    purgeWarning().blnShowPurgeWarning = true;
}

void frmReport::showPurgeAdvice(const QString& path) {
    const QPoint place = mapToGlobal(QPoint(0, 0)) + QPoint(2400 / 15, 1675 / 15);
    frmAntiVirusQuery& query = antiVirusQuery();
    query.move(place);
    OnScreen::keepOnScreen(&query, this);
    query.exec();
    frmPurgeWarning& warning = purgeWarning();
    if (query.blnNo) {
        warning.blnShowPurgeWarning = false;
        return;
    }
    warning.strPurgeFilePath = path;
    warning.move(place);
    OnScreen::keepOnScreen(&warning, this);
    warning.exec();
}

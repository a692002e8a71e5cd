#pragma once

#include "batch/FileProgress.h"

#include <QElapsedTimer>
#include <QWidget>

#include <functional>

class QLabel;
class QProgressBar;
class QTimer;

// The report window's view of a long file: a bar with the bytes done, the speed and the time left, and how
// far the folder has come. It appears once a file has taken longer than a second and reads the engine's
// byte count a few times a second while the file runs on its worker.
class ProgressPanel : public QWidget {
    Q_OBJECT
public:
    explicit ProgressPanel(QWidget* parent = nullptr);

    QProgressBar* barFile;
    QLabel* lblFile;
    QLabel* lblFolder;

    // A file is shown once it has taken this long.
    qint64 intShowAfterMs = FileProgress::kShowAfterMs;
    static constexpr int kIntervalMs = 250;

    // Off: nothing is shown and the engine is not asked (what the run costs without the display).
    void setDisplayOn(bool on);
    // Whether the engine's count is being read (all through a run, also after Stop).
    bool ticking() const;
    // A file of the run is being worked on.
    bool fileActive() const { return m_fileActive; }

    void runStarted();
    void runEnded();
    // folderBytes: bytes of the folder's files before this one, and in all; asked only when shown.
    void fileStarted(const QString& name, qint64 size, bool inPlace, qint64 fileNumber, qint64 files,
                     std::function<std::pair<qint64, qint64>()> folderBytes);
    // The file is done: nothing is shown of it while the run waits (a pause, a question) before the next one.
    void fileEnded();
    // One reading of the engine's count of bytes read; what the timer does.
    void takeReading(qint64 bytesRead, qint64 elapsedMs);

private:
    QTimer* m_timer;
    QElapsedTimer m_clock;
    FileProgress m_progress;
    QString m_name;
    qint64 m_fileNumber = 0, m_files = 0;
    std::function<std::pair<qint64, qint64>()> m_folderBytes;
    qint64 m_bytesBefore = -1, m_folderTotal = 0;
    bool m_on = true;
    bool m_fileActive = false;
};

#pragma once

#include <QDialog>
#include <QString>

class BytePairPicture;
class QFile;
class QLabel;
class QPushButton;
class QTimer;

// The single-file randomness window: the file's size and randomness, and on demand a picture of its byte pairs
// (first byte across, second byte down). The caller sets the caption, the two labels, cmdDisplay's caption
// "Display", strCurrentFilePath and lngFilesize (an even length), then shows the window modally.
class frmGraphic : public QDialog {
    Q_OBJECT
public:
    enum State { Ready = 0, Drawing = 1, Finished = 2 };
    static constexpr qint64 kBlockSize = 8192;
    // Pending events are processed after every this many bytes.
    static constexpr qint64 kEventInterval = 512;

    explicit frmGraphic(QWidget* parent = nullptr);

    // The file to draw and the length to use.
    QString strCurrentFilePath;
    qint64 lngFilesize = 0;

    BytePairPicture* Picture1;
    QLabel* lblFilesize;
    QLabel* lblRandomness;
    QLabel* lblProgressBar;
    QPushButton* cmdDisplay;
    QTimer* Clock;

    void cmdDisplay_Click();
    void Clock_Timer();
    void Picture1_Click();

    int state() const { return m_state; }
    int progress() const { return m_progress; }
    // Pairs plotted by the last drawing, and the distinct points they set.
    qint64 pairsPlotted() const { return m_pairsPlotted; }
    int pointCount() const;
    void setClockInterval(int milliseconds);

public slots:
    // The close box and Escape: stop a drawing in progress and hide.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void draw();
    // Plots the pairs of one block; false when drawing is to end (length reached or stopped).
    bool plotBlock(const char* data, qint64 got, qint64 offset, bool& shortRead);
    void endDrawing(QFile& file);

    int m_state = Ready;
    int m_progress = 0;
    qint64 m_pairsPlotted = 0;
};

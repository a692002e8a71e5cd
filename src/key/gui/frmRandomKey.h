#pragma once

#include "key/RandomKey.h"

#include <QByteArray>
#include <QDialog>

class QLabel;
class QTimer;

// Builds a new random key from the user's mouse movements: one character per clock tick after the mouse
// has moved, 64 in all; then the window hides itself.
class frmRandomKey : public QDialog {
    Q_OBJECT
public:
    explicit frmRandomKey(QWidget* parent = nullptr, RandomKey::ByteSource source = RandomKey::systemBytes);
    ~frmRandomKey() override;

    QLabel* lblExplanation;
    QLabel* lblProgressBar;
    QTimer* Clock;

    // The key being built: 64 characters with codes 33..255 when complete, shorter when the window was
    // closed before that.
    QByteArray strRandomKey;
    // Milliseconds between ticks.
    int intTickInterval = 250;

    bool isComplete() const { return m_gatherer.isComplete(); }
    // Wipes the key gathered, once the caller has taken it.
    void discardKey();

public slots:
    // One clock tick; public so that a test can tick the clock itself.
    void clockTick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void recordPosition(QPointF position);

    RandomKeyGatherer m_gatherer;
    bool m_busy = false;
};

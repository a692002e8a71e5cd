#include "app/gui/frmMain.h"

#include "app/gui/MenuButton.h"
#include "batch/gui/frmReport.h"
#include "key/KeyDescription.h"
#include "platform/engine/Engine.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTimer>

// Ending the program: from Quit, from the window's close box, or when the session or a signal asks.

void frmMain::cmdQuit_MouseUp(Qt::MouseButton button) {
    if (button == Qt::RightButton) {
        ShowHelp(14);
        return;
    }
    Shutdown();
    QApplication::closeAllWindows();
    if (endProgram)
        endProgram();
}

void frmMain::closeEvent(QCloseEvent* event) {
    event->accept();
    if (m_shutDown)
        return;
    Shutdown();
    // Every other window goes with the main window.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible())
            w->close();
    if (endProgram)
        endProgram();
}

void frmMain::Shutdown() {
    if (m_shutDown)
        return;
    m_shutDown = true;
    context.blnProgramEnding = true;
    Clock->stop();
    // A file in progress is abandoned at once: the engine drops its partial output and leaves the input as it
    // was; the run ends there. Releasing the buffers waits for the engine to let go of that file.
    zq4e::request_cancel();
    if (m_report)
        m_report->blnStop = true;
    // A reliability test waiting for its next pass wakes and ends.
    context.blnGenerateNextKey = true;
    EraseKeyMaterial();
    zq4e::deallocate_buffers();
    zq4e::clear_cancel();
}

void frmMain::EraseKeyMaterial() {
    ::EraseKeyMaterial(key);
}

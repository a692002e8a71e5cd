#include "app/Language2.h"
#include "app/gui/frmMain.h"
#include "cli/CommandLine.h"
#include "platform/os/CoreDumps.h"
#include "platform/os/QuitSignals.h"
#include "platform/os/gui/WidgetDialogs.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // Before any key can be read: no core dump of ours holds one.
    CoreDumps::forbid();
    if (CommandLine::wanted(argc, argv))
        return CommandLine::run(argc, argv);
    QApplication app(argc, argv);
    // Lets the desktop match the windows to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("zq4"));
    installWidgetDialogs();
    if (Language2::ReadProgramText(QStringLiteral("zq4_text.dat")) < 1)
        return 1;
    frmMain window;
    if (!window.Form_Load())
        return 1;
    // A signal (a logout, kill, Ctrl+C) ends the program as closing its window does, never mid-write.
    QuitSignals::install([&window] { window.close(); });
    return app.exec();
}

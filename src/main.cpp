#include "app/StartPaths.h"
#include "app/gui/frmMain.h"
#include "cli/CommandLine.h"
#include "platform/filekit/Language2.h"
#include "platform/os/CoreDumps.h"
#include "platform/os/DisplayCheck.h"
#include "platform/os/QuitSignals.h"
#include "platform/os/gui/WidgetDialogs.h"

#include <QApplication>

#include <memory>

int main(int argc, char* argv[]) {
    // Before any key can be read: no core dump of ours holds one.
    CoreDumps::forbid();
    if (CommandLine::wanted(argc, argv))
        return CommandLine::run(argc, argv);
    const QString noDisplay = DisplayCheck::missingDisplay(argc, argv);
    if (!noDisplay.isEmpty())
        return DisplayCheck::refuse(noDisplay);
    auto guard = std::make_unique<DisplayCheck::Guard>();
    QApplication app(argc, argv);
    guard.reset();
    // Lets the desktop match the windows to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("zq4"));
    installWidgetDialogs();
    // What is left after the window system's own options: files or folders to start from. Read before start-up
    // moves the current folder.
    const StartPaths start = StartPaths::from(QCoreApplication::arguments().mid(1));
    if (Language2::ReadProgramText(QStringLiteral("zq4_text.dat")) < 1)
        return 1;
    frmMain window;
    if (!window.Form_Load())
        return 1;
    window.StartFrom(start);
    // A signal (a logout, kill, Ctrl+C) ends the program as closing its window does, never mid-write.
    QuitSignals::install([&window] { window.close(); });
    return app.exec();
}

#include "app/gui/ReliabilityTestWiring.h"

#include "app/gui/frmMain.h"
#include "batch/gui/ReliabilityTestWindows.h"

#include <QFrame>
#include <QLabel>
#include <QTimer>

#include <memory>

void installReliabilityTest(frmMain& main) {
    auto test = std::make_shared<std::unique_ptr<ReliabilityTestWindows>>();
    main.reliabilityTestDiversion = [&main, test] {
        if (!*test) {
            ReliabilityTestMainSide side;
            side.doIt = [&main] { main.cmdDoIt_MouseUp(Qt::LeftButton); };
            side.function = [&main] { main.cmdFunction_MouseUp(Qt::LeftButton); };
            side.replaySwitches = [&main] { main.ReplaySwitches(); };
            side.showAllFileStatus = [&main] { main.ShowAllFileStatus(); };
            side.restoreSetup = [&main] { main.cmdRestoreSetup_Click(); };
            side.blnDoItAborted = &main.blnDoItAborted;
            side.window = &main;
            side.fraMenu = main.fraMenu;
            side.lblPerformingReliabilityTest = main.lblPerformingReliabilityTest;
            side.clock = main.Clock;
            *test = std::make_unique<ReliabilityTestWindows>(main.reportWindow(), main.context, side);
        }
        return (*test)->divertDoIt();
    };
}

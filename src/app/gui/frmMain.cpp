#include "app/gui/frmMain.h"

#include "app/Language2.h"

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(Language2::ProgramText(1) + QLatin1Char(' ') + versionText());
    resize(640, 480);
}

#include "app/gui/frmMain.h"

#include "app/gui/MenuButton.h"
#include "app/gui/ProgramIcon.h"
#include "app/gui/ReliabilityTestWiring.h"
#include "batch/OperationWording.h"
#include "batch/gui/frmReport.h"
#include "files/Folder.h"
#include "files/gui/frmSpecifyInputFiles.h"
#include "files/gui/frmSpecifyOutputFiles.h"
#include "help/gui/frmHelp.h"
#include "key/KeyDescription.h"
#include "key/KeyMaterial.h"
#include "key/frmKeyFrom.h"
#include "key/gui/KeyPanel.h"
#include "platform/engine/Engine.h"
#include "platform/filekit/Language2.h"
#include "platform/os/DiskProc.h"
#include "platform/os/MessageBox.h"
#include "platform/os/gui/OnScreen.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>

frmMain::frmMain(QWidget* parent) : QMainWindow(parent), context(setup, keyObject()), key(keyObject()) {
    setObjectName(QStringLiteral("frmMain"));
    // Every window without an icon of its own takes the application's.
    QApplication::setWindowIcon(ProgramIcon::icon());
    openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    allocateBuffers = [] { return zq4e::allocate_buffers(); };
    endProgram = [] { QCoreApplication::exit(0); };
    context.stopOwnerClock = [this] { Clock->stop(); };
    buildControls();
    setAcceptDrops(true);
    installReliabilityTest(*this);
}

frmMain::~frmMain() {
    delete m_report;
}

void frmMain::showHelpAtLastHeading() {
    frmHelp* help = helpWindow();
    ShowHelp(help ? help->intStartHeading : 0);
}

bool frmMain::Form_Load() {
    blnStartupCompleted = false;
    Language2::setStartupCompleted(false);
    strVersion = versionText();
    setWindowTitle(Language2::ProgramText(1) + QLatin1Char(' ') + strVersion);
    Initialize();
    fitRowsToScreen();
    show();
    if (allocateBuffers() == 0) {
        MessageBox::show(QStringLiteral("Attempt to allocate buffers was unsuccessful!"), QStringLiteral("Fatal error"),
                         MessageBox::Critical);
        hide();
        return false;
    }
    LoadSetupFile(strNextRunSetupFilepath);
    ReplaySwitches();
    RememberSetup();
    ShowAllFileStatus();
    cmdFunction->setFocus();
    blnStartupCompleted = true;
    Language2::setStartupCompleted(true);
    return true;
}

void frmMain::Initialize() {
    Language2::intLanguage = 0;
    const QString drive = DiskProc::FirstFixedDrive();
    if (!drive.isEmpty())
        QDir::setCurrent(drive);
    intCharWidth = 106;
    strSpecified = Language2::ProgramText(6);
    strNotSpecified = Language2::ProgramText(7);
    // Stored inverted: the replay of the switch buttons turns them into encrypt, not same, no subfolders.
    setup.blnEncrypt = false;
    setup.blnOutputFilesSame = true;
    setup.blnSubdirectories = true;
    setup.strDirpath = {};
    setup.strFilespec = {};
    KeyMaterial::replace(key.strKey, QByteArray(64, '\0'));
    key.intKeyFrom = frmKeyFrom::NoKey;
    lblKeyFrom->setText(strNotSpecified);
    picKeyFrom->hide();
    picSaveSetup->hide();
    picRandomnessReport->hide();
    fraSetup->hide();
    lblSetupFilename->clear();
    lblSetupFilename->hide();
    strOnlineDocumentation = Language2::ProgramText(26);
    context.dblMinZQ4Randomness = 0.89;
    context.intMinFilesizeForRandomness = 256;
    key.intMinKeyLength = 16;
    key.intMaxKeyLength = 64;
    strNextRunSetupFilepath = Folder::AppDataFilePath(QStringLiteral("zq4e.opn"), Language2::ProgramText(310));
    Clock->stop();
    Clock->setInterval(intFirstClockInterval);
}

void frmMain::Clock_Timer() {
    Clock->setInterval(intClockInterval);
    context.blnGenerateNextKey = true;
}

void frmMain::UpdateKeyDescription() {
    picKeyFrom->UpdateKeyDescription();
}

void frmMain::ShowHelp(int heading) {
    ::ShowHelp(this, heading);
}

QString frmMain::TxtEncDec(const QString& word) const {
    return ::TxtEncDec(word, setup.blnEncrypt);
}

frmSpecifyInputFiles& frmMain::inputFilesDialog() {
    if (!m_inputFiles)
        m_inputFiles = new frmSpecifyInputFiles(this);
    return *m_inputFiles;
}

frmSpecifyOutputFiles& frmMain::outputFilesDialog() {
    if (!m_outputFiles)
        m_outputFiles = new frmSpecifyOutputFiles(this);
    return *m_outputFiles;
}

#pragma once

#include "app/LaunchSequence.h"
#include "app/StartPaths.h"
#include "app/gui/RandomnessPanel.h"
#include "batch/OperationSetup.h"
#include "batch/RunContext.h"
#include "platform/Version.h"

#include <QMainWindow>
#include <QPoint>
#include <QUrl>

#include <array>
#include <functional>
#include <optional>

class MenuButton;
class QFrame;
class QGridLayout;
class QLabel;
class QPushButton;
class QTimer;
class KeyOperations;
class KeyPanel;
class frmKeyFrom;
class frmReport;
class frmSpecifyInputFiles;
class frmSpecifyOutputFiles;

// The main window: it owns the operation setup and drives everything else. Every menu button acts on
// mouse-up (right button: help at its section), on Enter or Space, and takes the focus when the mouse moves
// over it.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // The height of a row of buttons and labels, and the room between rows, where the screen allows them.
    static constexpr int kRowHeight = 28;
    static constexpr int kRowSpacing = 4;

    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    static QString versionText() { return ProgramVersion(); }

    // The operation and what the batch run reads from this window (intNumFiles, blnGenerateNextKey, ...).
    OperationSetup setup;
    RunContext context;
    frmKeyFrom& key;

    // Working fields.
    bool blnStartupCompleted = false;
    bool blnDoItAborted = false;
    int intCharWidth = 106;
    QString strVersion;
    QString strSpecified;
    QString strNotSpecified;
    QString strOnlineDocumentation;
    QString strNextRunSetupFilepath;
    QString strCurrentFilePath;
    qint64 lngFilesize = 0;

    // Controls.
    QFrame* fraMenu;
    MenuButton* cmdFunction;
    MenuButton* cmdSingleFile;
    std::array<MenuButton*, 2> cmdSpecifyDirectory;
    std::array<MenuButton*, 4> cmdSpecifyFiles; // 2 and 3 sit in the randomness panel
    MenuButton* cmdSubdirectories;
    MenuButton* cmdOutputFilesSame;
    MenuButton* cmdKeyFrom;
    MenuButton* cmdDoIt;
    MenuButton* cmdReportScreen;
    MenuButton* cmdRandomnessReport;
    MenuButton* cmdSetup;
    MenuButton* cmdHelp;
    MenuButton* cmdQuit;

    QLabel* lblFunction;
    QLabel* lblFunction2;
    QLabel* lblSingleFile;
    std::array<QLabel*, 2> lblDirectory;
    std::array<QLabel*, 2> lblFiles;
    std::array<QLabel*, 2> lblFiles2;
    QLabel* lblSubdirectories;
    QLabel* lblSubdirectories2;
    QLabel* lblOutputFilesSame;
    QLabel* lblOutputFilesSame2;
    QLabel* lblKeyFrom;
    QLabel* lblSetupFilename;
    QLabel* lblOnlineDocumentation;
    QLabel* lblPerformingReliabilityTest;
    QLabel* lblRunning; // the run in progress, beside Report screen

    QFrame* fraSetup;
    QPushButton* cmdLoadSetup;
    QPushButton* cmdSaveSetup;
    QPushButton* cmdClearSetup;
    QPushButton* cmdRestoreSetup;
    QPushButton* cmdKeepSetup;
    QFrame* picSaveSetup;
    QPushButton* cmdSaveSetupAsOperationFile;
    QPushButton* cmdSaveSetupForNextRun;
    QPushButton* cmdDontSaveSetup;
    KeyPanel* picKeyFrom;
    QFrame* picRandomnessReport;
    QPushButton* cmdNoRandomnessReport;

    QTimer* Clock;
    int intFirstClockInterval = 5000;
    int intClockInterval = 4000;

    // Hooks for the parts that plug into this window, and for tests.
    // Offers the reliability test when the setup names it; true ends "Do it!" there.
    std::function<bool()> reliabilityTestDiversion;
    // The randomness panel and its report windows.
    RandomnessPanel randomness;
    // Opens a web address; false when nothing could open it.
    std::function<bool(const QUrl&)> openUrl;
    // Allocates the engine's buffers (0 = failure).
    std::function<int()> allocateBuffers;
    // Ends the program once the key is wiped and the engine released.
    std::function<void()> endProgram;

    // Start-up: everything after the program text has been loaded. False after a fatal failure, whose
    // message has been shown; the program must then end.
    bool Form_Load();
    void Initialize();

    // Menu actions; `button` is the mouse button released (Qt::LeftButton for keyboard use).
    void cmdFunction_MouseUp(Qt::MouseButton button);
    void cmdSingleFile_MouseUp(Qt::MouseButton button);
    void cmdSpecifyDirectory_MouseUp(int index, Qt::MouseButton button);
    void cmdSpecifyFiles_MouseUp(int index, Qt::MouseButton button);
    void cmdSubdirectories_MouseUp(Qt::MouseButton button);
    void cmdOutputFilesSame_MouseUp(Qt::MouseButton button);
    void cmdKeyFrom_MouseUp(Qt::MouseButton button);
    void cmdDoIt_MouseUp(Qt::MouseButton button);
    void cmdReportScreen_MouseUp(Qt::MouseButton button);
    void cmdRandomnessReport_MouseUp(Qt::MouseButton button);
    void cmdSetup_MouseUp(Qt::MouseButton button);
    void cmdHelp_MouseUp(Qt::MouseButton button);
    void cmdQuit_MouseUp(Qt::MouseButton button);

    // Sets the input from paths given on the command line or dropped on the window, as the menu buttons would.
    void StartFrom(const StartPaths& start);

    // Setup panels.
    void cmdLoadSetup_Click();
    void cmdSaveSetup_Click();
    void cmdSaveSetupForNextRun_Click();
    void cmdSaveSetupAsOperationFile_Click();
    void cmdDontSaveSetup_Click();
    void cmdClearSetup_Click();
    void cmdRestoreSetup_Click();
    void cmdKeepSetup_Click();
    void CloseSetupPanel();
    bool SaveSetupFile(const QString& path);
    bool LoadSetupFile(const QString& path);
    void RememberSetup();

    void lblOnlineDocumentation_Click();
    void Clock_Timer();
    void Shutdown();

    // Status texts.
    void ShowFileStatus(int side);
    void ShowAllFileStatus();
    void ShowSingleFileHint();
    bool CheckInputFolder(const QString& spec);
    void ReplaySwitches();
    void CopyInputToOutput();
    void UpdateKeyDescription();
    void EraseKeyMaterial();
    // Help at a section (0 = top, 1..14).
    void ShowHelp(int heading);

    // The report window, created on first use.
    frmReport& reportWindow();
    frmSpecifyInputFiles& inputFilesDialog();
    frmSpecifyOutputFiles& outputFilesDialog();
    bool ConfirmOperation();

    // The operation word in the current direction.
    QString TxtEncDec(const QString& word) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The window's controls, made in the order Tab visits them (frmMainControls.cpp), and the pieces that make them.
    void buildControls();
    QWidget* buildMenuColumn(QWidget* central);
    QGridLayout* statusGrid(QWidget* status);
    void buildStatusTexts(QWidget* status, QGridLayout* grid);
    void buildSetupPanels(QWidget* status, QGridLayout* grid);
    void buildKeyPanel(QWidget* status, QGridLayout* grid);
    void buildRandomnessPanel(QWidget* status, QGridLayout* grid);
    QLabel* buildOnlineDocumentationLink(QWidget* central);
    void connectMenu();
    void connectPanels(); // the panels' buttons
    // Which texts show each menu button's value, what the buttons without a value do, the panels' names.
    void describeControls();
    // The key and randomness panels given the controls they hide, show and fill.
    void wirePanels();
    // A button of the menu, or of the column under it (`column`).
    MenuButton* menuButton(const char* name, const QString& caption, int heading, QWidget* column = nullptr);
    // F1 on a menu button: help at the section set last.
    void showHelpAtLastHeading();
    void placeFileDescription(int side);
    // Closes up the rows when the screen is too short for the window.
    void fitRowsToScreen();
    // Widens the window for status texts that have grown longer.
    void keepWideEnough();
    // What choosing a single file, or the input (0) or output (1) folder, does once the dialog has given it.
    void takeSingleFile(const QString& path);
    void takeFolder(int index, const QString& path);
    // Starting from paths: the output beside the inputs, named by the added extension (or as the input when the
    // output files are the same); `singleName` is the single file's name, empty for a folder.
    void presetNewFileOutput(const QString& singleName);
    void openPanel(QWidget* panel, QWidget* focus);
    void setKeyNotSpecified();
    void runOperation();
    void buildRunLine(QGridLayout* grid, int row);
    // The run line and Do it! follow the report window's run.
    void showRunState();
    // Beside this window, when it is not shown already.
    void placeReportWindow(frmReport& report);
    // How the launch checks of "Do it!" reach this window.
    LaunchSequence::Front launchFront();
    bool reportVisible() const;
    // While a run is in progress its key and setup stay as they are: changing them is refused with a message.
    bool refusedDuringRun();

    // Where the pointer rested when the window last got the focus back (see frmMainFocus.cpp).
    std::optional<QPoint> m_restingPointer;
    bool m_shutDown = false;
    bool m_replaying = false;
    frmReport* m_report = nullptr;
    KeyOperations* m_keyOperations = nullptr;
    frmSpecifyInputFiles* m_inputFiles = nullptr;
    frmSpecifyOutputFiles* m_outputFiles = nullptr;
};

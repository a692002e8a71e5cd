// The main window's controls: the menu, the status texts beside it, the panels and the link, made in the order
// Tab visits them, and what each is wired to.
#include "app/gui/frmMain.h"

#include "app/gui/LinkLabelAccessible.h"
#include "app/gui/MenuButton.h"
#include "key/gui/KeyOperations.h"
#include "key/gui/KeyPanel.h"
#include "platform/os/gui/CaptionRoom.h"

#include <QGridLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kRowHeight = frmMain::kRowHeight;
constexpr int kRowSpacing = frmMain::kRowSpacing;

template <typename T> T* named(T* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

QLabel* statusLabel(QWidget* parent, const QString& name) {
    auto* label = named(new QLabel(parent), name);
    label->setFixedHeight(kRowHeight);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPushButton* panelButton(QWidget* parent, QLayout* layout, const char* name, const QString& caption) {
    auto* button = named(new QPushButton(caption, parent), QLatin1String(name));
    button->setAutoDefault(false);
    CaptionRoom::give(button);
    layout->addWidget(button);
    return button;
}

QFrame* panel(QWidget* parent, const char* name) {
    auto* frame = named(new QFrame(parent), QLatin1String(name));
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setAutoFillBackground(true);
    frame->hide();
    return frame;
}

} // namespace

MenuButton* frmMain::menuButton(const char* name, const QString& caption, int heading, QWidget* column) {
    QWidget* parent = column ? column : fraMenu;
    auto* button = named(new MenuButton(caption, parent), QLatin1String(name));
    button->intHelpHeading = heading;
    button->setFixedHeight(kRowHeight);
    button->installEventFilter(this);
    button->setMouseTracking(true);
    parent->layout()->addWidget(button);
    connect(button, &MenuButton::helpKey, this, [this, button] {
        if (button == cmdReportScreen && reportVisible())
            return;
        showHelpAtLastHeading();
    });
    return button;
}

void frmMain::buildControls() {
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* outer = new QGridLayout(central);
    outer->setHorizontalSpacing(12);
    outer->addWidget(buildMenuColumn(central), 0, 0);

    // The status column: one row per menu button, the same height, so each text sits beside its button.
    auto* status = new QWidget(central);
    QGridLayout* grid = statusGrid(status);
    outer->addWidget(status, 0, 1);
    outer->setColumnStretch(1, 1);
    buildStatusTexts(status, grid);
    // The panels open beside the lower menu buttons, over the rows that have no texts.
    buildSetupPanels(status, grid);
    buildKeyPanel(status, grid);
    buildRandomnessPanel(status, grid);
    outer->addWidget(buildOnlineDocumentationLink(central), 1, 0, 1, 2, Qt::AlignLeft);

    connectMenu();
    connectPanels();
    describeControls();
    wirePanels();
    Clock = new QTimer(this);
    Clock->setObjectName(QStringLiteral("Clock"));
    connect(Clock, &QTimer::timeout, this, &frmMain::Clock_Timer);
}

QWidget* frmMain::buildMenuColumn(QWidget* central) {
    // The menu column: the menu, which waits while a panel is open, and Quit under it, which never waits: the
    // program can always be ended.
    auto* menuColumn = named(new QWidget(central), QStringLiteral("menuColumn"));
    auto* columnLayout = new QVBoxLayout(menuColumn);
    columnLayout->setSpacing(kRowSpacing);
    columnLayout->setContentsMargins(0, 0, 0, 0);
    fraMenu = named(new QFrame(menuColumn), QStringLiteral("fraMenu"));
    columnLayout->addWidget(fraMenu);
    auto* menuLayout = new QVBoxLayout(fraMenu);
    menuLayout->setSpacing(kRowSpacing);
    menuLayout->setContentsMargins(0, 0, 0, 0);
    cmdFunction = menuButton("cmdFunction", QStringLiteral("&Function"), 1);
    cmdSingleFile = menuButton("cmdSingleFile", QStringLiteral("&Single file"), 2);
    cmdSpecifyDirectory[0] = menuButton("cmdSpecifyDirectory_0", QStringLiteral("&Input folder"), 3);
    cmdSpecifyFiles[0] = menuButton("cmdSpecifyFiles_0", QStringLiteral("Input fi&le(s)"), 3);
    cmdSubdirectories = menuButton("cmdSubdirectories", QStringLiteral("Su&bfolders?"), 4);
    cmdOutputFilesSame = menuButton("cmdOutputFilesSame", QStringLiteral("Output file(s) s&ame?"), 5);
    cmdSpecifyDirectory[1] = menuButton("cmdSpecifyDirectory_1", QStringLiteral("&Output folder"), 6);
    cmdSpecifyFiles[1] = menuButton("cmdSpecifyFiles_1", QStringLiteral("Out&put file(s)"), 6);
    cmdKeyFrom = menuButton("cmdKeyFrom", QStringLiteral("Encryption &key"), 7);
    cmdDoIt = menuButton("cmdDoIt", QStringLiteral("&Do it!"), 8);
    cmdReportScreen = menuButton("cmdReportScreen", QStringLiteral("&Report screen"), 9);
    cmdRandomnessReport = menuButton("cmdRandomnessReport", QStringLiteral("Ra&ndomness report"), 10);
    cmdSetup = menuButton("cmdSetup", QStringLiteral("Se&tup"), 11);
    cmdHelp = menuButton("cmdHelp", QStringLiteral("&Help"), 13);
    cmdQuit = menuButton("cmdQuit", QStringLiteral("&Quit"), 14, menuColumn);
    columnLayout->addStretch();
    return menuColumn;
}

QGridLayout* frmMain::statusGrid(QWidget* status) {
    auto* grid = new QGridLayout(status);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(kRowSpacing);
    grid->setHorizontalSpacing(12);
    for (int row = 0; row < 15; ++row)
        grid->setRowMinimumHeight(row, kRowHeight);
    grid->setRowStretch(15, 1);
    grid->setColumnStretch(1, 1);
    return grid;
}

void frmMain::buildStatusTexts(QWidget* status, QGridLayout* grid) {
    lblFunction = statusLabel(status, QStringLiteral("lblFunction"));
    lblFunction2 = statusLabel(status, QStringLiteral("lblFunction2"));
    grid->addWidget(lblFunction, 0, 0);
    grid->addWidget(lblFunction2, 0, 1);
    lblSingleFile = statusLabel(status, QStringLiteral("lblSingleFile"));
    grid->addWidget(lblSingleFile, 1, 0, 1, 2);
    const int directoryRow[2] = {2, 6};
    const int filesRow[2] = {3, 7};
    for (int side = 0; side < 2; ++side) {
        lblDirectory[size_t(side)] = statusLabel(status, QStringLiteral("lblDirectory_%1").arg(side));
        grid->addWidget(lblDirectory[size_t(side)], directoryRow[side], 0, 1, 2);
        // The description follows the file specification at a computed position, so this row has no layout.
        auto* row = new QWidget(status);
        row->setFixedHeight(kRowHeight);
        lblFiles[size_t(side)] = statusLabel(row, QStringLiteral("lblFiles_%1").arg(side));
        lblFiles2[size_t(side)] = statusLabel(row, QStringLiteral("lblFiles2_%1").arg(side));
        grid->addWidget(row, filesRow[side], 0, 1, 2);
    }
    lblSubdirectories = statusLabel(status, QStringLiteral("lblSubdirectories"));
    lblSubdirectories2 = statusLabel(status, QStringLiteral("lblSubdirectories2"));
    grid->addWidget(lblSubdirectories, 4, 0);
    grid->addWidget(lblSubdirectories2, 4, 1);
    lblOutputFilesSame = statusLabel(status, QStringLiteral("lblOutputFilesSame"));
    lblOutputFilesSame2 = statusLabel(status, QStringLiteral("lblOutputFilesSame2"));
    grid->addWidget(lblOutputFilesSame, 5, 0);
    grid->addWidget(lblOutputFilesSame2, 5, 1);
    lblKeyFrom = statusLabel(status, QStringLiteral("lblKeyFrom"));
    grid->addWidget(lblKeyFrom, 8, 0, 1, 2);
    lblPerformingReliabilityTest = statusLabel(status, QStringLiteral("lblPerformingReliabilityTest"));
    grid->addWidget(lblPerformingReliabilityTest, 9, 0, 1, 2);
    buildRunLine(grid, 10);
    // Under the menu's texts, level with "Setup".
    lblSetupFilename = statusLabel(status, QStringLiteral("lblSetupFilename"));
    grid->addWidget(lblSetupFilename, 12, 0, 1, 2);
}

void frmMain::buildSetupPanels(QWidget* status, QGridLayout* grid) {
    fraSetup = panel(status, "fraSetup");
    auto* setupLayout = new QVBoxLayout(fraSetup);
    cmdLoadSetup = panelButton(fraSetup, setupLayout, "cmdLoadSetup", QStringLiteral("&Load setup"));
    cmdSaveSetup = panelButton(fraSetup, setupLayout, "cmdSaveSetup", QStringLiteral("&Save setup"));
    cmdClearSetup = panelButton(fraSetup, setupLayout, "cmdClearSetup", QStringLiteral("&Clear setup"));
    cmdRestoreSetup = panelButton(fraSetup, setupLayout, "cmdRestoreSetup", QStringLiteral("&Restore setup"));
    cmdKeepSetup = panelButton(fraSetup, setupLayout, "cmdKeepSetup", QStringLiteral("&Not now"));
    grid->addWidget(fraSetup, 9, 0, 6, 2, Qt::AlignLeft | Qt::AlignTop);

    picSaveSetup = panel(status, "picSaveSetup");
    auto* saveLayout = new QVBoxLayout(picSaveSetup);
    cmdSaveSetupAsOperationFile = panelButton(picSaveSetup, saveLayout, "cmdSaveSetupAsOperationFile",
                                              QStringLiteral("Save setup as &operation file"));
    cmdSaveSetupForNextRun =
        panelButton(picSaveSetup, saveLayout, "cmdSaveSetupForNextRun", QStringLiteral("Save setup &for next run"));
    cmdDontSaveSetup = panelButton(picSaveSetup, saveLayout, "cmdDontSaveSetup", QStringLiteral("&Not now"));
    grid->addWidget(picSaveSetup, 10, 0, 5, 2, Qt::AlignLeft | Qt::AlignTop);
}

void frmMain::buildKeyPanel(QWidget* status, QGridLayout* grid) {
    m_keyOperations = new KeyOperations(key, this);
    picKeyFrom = named(new KeyPanel(*m_keyOperations, status), QStringLiteral("picKeyFrom"));
    picKeyFrom->setAutoFillBackground(true);
    picKeyFrom->hide();
    grid->addWidget(picKeyFrom, 8, 0, 7, 2, Qt::AlignLeft | Qt::AlignTop);
}

void frmMain::buildRandomnessPanel(QWidget* status, QGridLayout* grid) {
    picRandomnessReport = panel(status, "picRandomnessReport");
    auto* randomnessLayout = new QVBoxLayout(picRandomnessReport);
    for (int i = 2; i < 4; ++i) {
        auto* button =
            named(new MenuButton(i == 2 ? QStringLiteral("&Input file(s)") : QStringLiteral("&Output file(s)"),
                                 picRandomnessReport),
                  QStringLiteral("cmdSpecifyFiles_%1").arg(i));
        button->intHelpHeading = 6;
        button->installEventFilter(this);
        button->setMouseTracking(true);
        randomnessLayout->addWidget(button);
        cmdSpecifyFiles[size_t(i)] = button;
        connect(button, &MenuButton::mouseUp, this, [this, i](Qt::MouseButton b) { cmdSpecifyFiles_MouseUp(i, b); });
        connect(button, &MenuButton::helpKey, this, &frmMain::showHelpAtLastHeading);
    }
    cmdNoRandomnessReport =
        panelButton(picRandomnessReport, randomnessLayout, "cmdNoRandomnessReport", QStringLiteral("&Not now"));
    grid->addWidget(picRandomnessReport, 11, 0, 4, 2, Qt::AlignLeft | Qt::AlignTop);
}

QLabel* frmMain::buildOnlineDocumentationLink(QWidget* central) {
    lblOnlineDocumentation =
        named(new QLabel(QStringLiteral("Online documentation"), central), QStringLiteral("lblOnlineDocumentation"));
    lblOnlineDocumentation->setCursor(Qt::PointingHandCursor);
    lblOnlineDocumentation->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    lblOnlineDocumentation->installEventFilter(this);
    // Reached with Tab and opened with Enter or Space, like a link.
    lblOnlineDocumentation->setFocusPolicy(Qt::StrongFocus);
    LinkLabelAccessible::makeLink(lblOnlineDocumentation, [this] { lblOnlineDocumentation_Click(); });
    return lblOnlineDocumentation;
}

void frmMain::connectMenu() {
    connect(cmdFunction, &MenuButton::mouseUp, this, &frmMain::cmdFunction_MouseUp);
    connect(cmdSingleFile, &MenuButton::mouseUp, this, &frmMain::cmdSingleFile_MouseUp);
    for (int i = 0; i < 2; ++i) {
        connect(cmdSpecifyDirectory[size_t(i)], &MenuButton::mouseUp, this,
                [this, i](Qt::MouseButton b) { cmdSpecifyDirectory_MouseUp(i, b); });
        connect(cmdSpecifyFiles[size_t(i)], &MenuButton::mouseUp, this,
                [this, i](Qt::MouseButton b) { cmdSpecifyFiles_MouseUp(i, b); });
    }
    connect(cmdSubdirectories, &MenuButton::mouseUp, this, &frmMain::cmdSubdirectories_MouseUp);
    connect(cmdOutputFilesSame, &MenuButton::mouseUp, this, &frmMain::cmdOutputFilesSame_MouseUp);
    connect(cmdKeyFrom, &MenuButton::mouseUp, this, &frmMain::cmdKeyFrom_MouseUp);
    connect(cmdDoIt, &MenuButton::mouseUp, this, &frmMain::cmdDoIt_MouseUp);
    connect(cmdReportScreen, &MenuButton::mouseUp, this, &frmMain::cmdReportScreen_MouseUp);
    connect(cmdRandomnessReport, &MenuButton::mouseUp, this, &frmMain::cmdRandomnessReport_MouseUp);
    connect(cmdSetup, &MenuButton::mouseUp, this, &frmMain::cmdSetup_MouseUp);
    connect(cmdHelp, &MenuButton::mouseUp, this, &frmMain::cmdHelp_MouseUp);
    connect(cmdQuit, &MenuButton::mouseUp, this, &frmMain::cmdQuit_MouseUp);
}

void frmMain::connectPanels() {
    for (QPushButton* b :
         {static_cast<QPushButton*>(cmdLoadSetup), cmdSaveSetup, cmdClearSetup, cmdRestoreSetup, cmdKeepSetup,
          cmdSaveSetupAsOperationFile, cmdSaveSetupForNextRun, cmdDontSaveSetup, cmdNoRandomnessReport}) {
        b->installEventFilter(this);
        b->setMouseTracking(true);
    }

    connect(cmdLoadSetup, &QPushButton::clicked, this, &frmMain::cmdLoadSetup_Click);
    connect(cmdSaveSetup, &QPushButton::clicked, this, &frmMain::cmdSaveSetup_Click);
    connect(cmdClearSetup, &QPushButton::clicked, this, &frmMain::cmdClearSetup_Click);
    connect(cmdRestoreSetup, &QPushButton::clicked, this, &frmMain::cmdRestoreSetup_Click);
    connect(cmdKeepSetup, &QPushButton::clicked, this, &frmMain::cmdKeepSetup_Click);
    connect(cmdSaveSetupAsOperationFile, &QPushButton::clicked, this, &frmMain::cmdSaveSetupAsOperationFile_Click);
    connect(cmdSaveSetupForNextRun, &QPushButton::clicked, this, &frmMain::cmdSaveSetupForNextRun_Click);
    connect(cmdDontSaveSetup, &QPushButton::clicked, this, &frmMain::cmdDontSaveSetup_Click);
    connect(cmdNoRandomnessReport, &QPushButton::clicked, this, [this] { randomness.cmdNoRandomnessReport_Click(); });
}

void frmMain::describeControls() {
    // The value of each menu button, as the texts beside it show it.
    cmdFunction->showsValueIn({lblFunction, lblFunction2});
    cmdSingleFile->showsValueIn({lblSingleFile});
    for (size_t side = 0; side < 2; ++side) {
        cmdSpecifyDirectory[side]->showsValueIn({lblDirectory[side]});
        cmdSpecifyFiles[side]->showsValueIn({lblFiles[side], lblFiles2[side]});
    }
    cmdSubdirectories->showsValueIn({lblSubdirectories, lblSubdirectories2});
    cmdOutputFilesSame->showsValueIn({lblOutputFilesSame, lblOutputFilesSame2});
    cmdKeyFrom->showsValueIn({lblKeyFrom});
    cmdDoIt->showsValueIn({lblPerformingReliabilityTest});
    cmdReportScreen->showsValueIn({lblRunning});
    cmdDoIt->whatItDoes = QStringLiteral("Checks the setup, asks for confirmation and runs the operation.");
    cmdReportScreen->whatItDoes = QStringLiteral("Shows the report of the last operation again.");
    cmdHelp->whatItDoes = QStringLiteral("Opens the help window.  The right mouse button or F1 on any menu button "
                                         "opens help about that button.");
    cmdQuit->whatItDoes = QStringLiteral("Ends the program.");
    // Panels are named for assistive technology, as a window's title names the window.
    fraMenu->setAccessibleName(QStringLiteral("Menu"));
    fraSetup->setAccessibleName(QStringLiteral("Setup"));
    picSaveSetup->setAccessibleName(QStringLiteral("Save setup"));
    picKeyFrom->setAccessibleName(QStringLiteral("Key"));
    picRandomnessReport->setAccessibleName(QStringLiteral("Randomness report"));
    cmdSetup->showsValueIn({lblSetupFilename});
}

void frmMain::wirePanels() {
    picKeyFrom->attach({lblKeyFrom, fraMenu, fraSetup, cmdKeyFrom});
    randomness.mainWindow = this;
    randomness.fraMenu = fraMenu;
    randomness.fraSetup = fraSetup;
    randomness.picRandomnessReport = picRandomnessReport;
    randomness.cmdInputFiles = cmdSpecifyFiles[2];
    randomness.cmdOutputFiles = cmdSpecifyFiles[3];
    randomness.cmdRandomnessReport = cmdRandomnessReport;
    randomness.lblPerformingReliabilityTest = lblPerformingReliabilityTest;
    randomness.strCurrentFilePath = &strCurrentFilePath;
    randomness.lngFilesize = &lngFilesize;
}

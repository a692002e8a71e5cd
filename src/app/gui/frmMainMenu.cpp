// The menu buttons that set up the operation, and the status texts beside them.
#include "app/InputFolderRule.h"
#include "app/LaunchSequence.h"
#include "app/gui/MenuButton.h"
#include "app/gui/frmMain.h"

#include "files/FileProc.h"
#include "files/Folder.h"
#include "files/gui/FileListBox.h"
#include "files/gui/frmSpecifyInputFiles.h"
#include "files/gui/frmSpecifyOutputFiles.h"
#include "key/gui/KeyPanel.h"
#include "platform/os/FileDialog.h"
#include "platform/os/MessageBox.h"
#include "platform/os/gui/OnScreen.h"
#include "randomness/gui/frmGraphic.h"

#include <QFrame>
#include <QLabel>

namespace {

const QString kNo = QStringLiteral("No");
const QString kYes = QStringLiteral("Yes");
const QString kNoLowerSubfolders = QStringLiteral("(Do not operate on files in lower subfolders.)");
const QString kNoSubfolders = QStringLiteral("(The input folder has no subfolders.)");
const QString kOutputSameRefused =
    QStringLiteral("Currently output files are specified as the same as the input files.");

// A single file's exact name is no pattern, whatever characters it holds.
bool hasWildcard(const QString& spec) {
    if (spec.startsWith(QLatin1Char('/')))
        return false;
    return spec.contains(QLatin1Char('*')) || spec.contains(QLatin1Char('?'));
}

} // namespace

void frmMain::cmdFunction_MouseUp(Qt::MouseButton button) {
    if (button == Qt::RightButton) {
        ShowHelp(cmdFunction->intHelpHeading);
        return;
    }
    setup.blnEncrypt = !setup.blnEncrypt;
    lblFunction->setText(TxtEncDec(QStringLiteral("Encryption")));
    lblFunction2->setText(QStringLiteral("(") + TxtEncDec(QStringLiteral("Encrypt")) +
                          QStringLiteral(" the input files.)"));
    cmdKeyFrom->setText(TxtEncDec(QStringLiteral("Encryption")) + QStringLiteral(" &key"));
    lblSetupFilename->clear();
    // An added extension reads the other way round now.
    if (FileProc::IsAddedExtensionSpec(setup.strFilespec[1]))
        ShowFileStatus(1);
    ShowSingleFileHint();
}

void frmMain::cmdSingleFile_MouseUp(Qt::MouseButton button) {
    if (button == Qt::RightButton) {
        ShowHelp(cmdSingleFile->intHelpHeading);
        return;
    }
    const QString name =
        FileDialog::getOpenFileName(QStringLiteral("Specify file to be ") + TxtEncDec(QStringLiteral("encrypted")),
                                    setup.strDirpath[0], QStringLiteral("All files (*)"));
    if (!name.isEmpty())
        takeSingleFile(name);
}

void frmMain::takeSingleFile(const QString& name) {
    setup.strDirpath[0] = FileProc::FolderPart(name);
    // That file and no other: a name holding "*" or "?", or another file whose name differs only in letter case,
    // is not taken with it.
    setup.strFilespec[0] = FileProc::ExactNameSpec(FileProc::FileNamePart(name, false));
    setup.strFilespec[1] = setup.blnOutputFilesSame ? setup.strFilespec[0] : QString();
    setup.strDirpath[1] = setup.strDirpath[0];
    setup.blnSubdirectories = false;
    lblSubdirectories->setText(kNo);
    // The sentence follows the switch, as after choosing an input folder.
    lblSubdirectories2->setText(Folder::CountSubfolders(setup.strDirpath[0]) != 0 ? kNoLowerSubfolders : kNoSubfolders);
    ShowAllFileStatus();
}

void frmMain::cmdSpecifyDirectory_MouseUp(int index, Qt::MouseButton button) {
    if (index < 0 || index > 1)
        return;
    const size_t side = size_t(index);
    if (button == Qt::RightButton) {
        ShowHelp(cmdSpecifyDirectory[side]->intHelpHeading);
        return;
    }
    if (index == 1 && setup.blnOutputFilesSame) {
        MessageBox::show(kOutputSameRefused, QStringLiteral("Specify output folder"), MessageBox::NoIcon);
        return;
    }
    const QString path = Folder::BrowseForFolder(index == 0 ? QStringLiteral("Specify input folder")
                                                            : QStringLiteral("Specify output folder"),
                                                 setup.strDirpath[side]);
    if (!path.isEmpty())
        takeFolder(index, withTrailingSlash(path));
}

void frmMain::takeFolder(int index, const QString& path) {
    const size_t side = size_t(index);
    setup.strDirpath[side] = path;
    ShowFileStatus(index);
    if (index == 0 && setup.strDirpath[1].isEmpty()) {
        setup.strDirpath[1] = setup.strDirpath[0];
        ShowFileStatus(1);
    }
    if (setup.blnOutputFilesSame) {
        CopyInputToOutput();
        ShowFileStatus(1);
    }
    if (index == 0) {
        lblSubdirectories->setText(kNo);
        lblSubdirectories2->setText(Folder::CountSubfolders(path) != 0 ? kNoLowerSubfolders : kNoSubfolders);
        setup.blnSubdirectories = false;
    }
    lblSetupFilename->clear();
}

void frmMain::cmdSpecifyFiles_MouseUp(int index, Qt::MouseButton button) {
    if (index < 0 || index > 3)
        return;
    if (button == Qt::RightButton) {
        ShowHelp(cmdSpecifyFiles[size_t(index)]->intHelpHeading);
        return;
    }
    if (index >= 2) {
        const size_t side = size_t(index - 2);
        reportWindow();
        if (!randomness.graphic)
            randomness.graphic = new frmGraphic(this);
        randomness.intMinFilesizeForRandomness = context.intMinFilesizeForRandomness;
        randomness.ShowRandomnessReport(index - 2, setup.strDirpath[side], setup.strFilespec[side],
                                        setup.blnSubdirectories);
        return;
    }
    const size_t side = size_t(index);
    if (setup.strDirpath[side].isEmpty()) {
        MessageBox::show((index == 0 ? QStringLiteral("The input folder") : QStringLiteral("The output folder")) +
                             QStringLiteral(" has not been specified."),
                         QStringLiteral("Folder unspecified"), MessageBox::Warning);
        return;
    }
    if (index == 0 && !CheckInputFolder(QStringLiteral("*.*")))
        return;
    if (index == 1 && setup.blnOutputFilesSame) {
        MessageBox::show(kOutputSameRefused, QStringLiteral("Specify output files"), MessageBox::NoIcon);
        return;
    }
    context.intNumFiles = Folder::CountMatchingFiles(setup.strDirpath[side], QStringLiteral("*.*"), true);

    SpecifyFilesDialog& dialog = index == 0 ? static_cast<SpecifyFilesDialog&>(inputFilesDialog())
                                            : static_cast<SpecifyFilesDialog&>(outputFilesDialog());
    dialog.blnEncrypt = setup.blnEncrypt;
    dialog.intNumFiles = context.intNumFiles;
    dialog.File->setPath(setup.strDirpath[side]);
    if (index == 1) {
        outputFilesDialog().strInputDirpath = setup.strDirpath[0];
        outputFilesDialog().strInputFilespec = setup.strFilespec[0];
    }
    // Beside the menu: the input dialog level with its files button, the output dialog at the window's right.
    const QPoint menuTopLeft = fraMenu->mapToGlobal(QPoint(0, 0));
    dialog.adjustSize();
    if (index == 0)
        dialog.move(menuTopLeft + QPoint(fraMenu->width() + 17, 69));
    else
        dialog.move(mapToGlobal(QPoint(width() - dialog.width() - 9, 0)).x(), menuTopLeft.y() + 22);
    OnScreen::keepOnScreen(&dialog, this);
    dialog.exec();
    if (!dialog.blnAccept)
        return;
    setup.strFilespec[side] = dialog.ChosenFilespec();
    ShowFileStatus(index);
    lblSetupFilename->clear();
    if (setup.blnOutputFilesSame) {
        CopyInputToOutput();
        ShowFileStatus(1);
    }
    if (index == 0)
        CheckInputFolder(setup.strFilespec[0]);
}

void frmMain::cmdSubdirectories_MouseUp(Qt::MouseButton button) {
    if (button == Qt::RightButton) {
        ShowHelp(cmdSubdirectories->intHelpHeading);
        return;
    }
    const QString folder = setup.strDirpath[0];
    if (!folder.isEmpty()) {
        const InputFolderRule::Outcome checked = InputFolderRule::apply(setup);
        if (checked.subfolders == -1) {
            ShowFileStatus(0);
            if (checked.outputCleared)
                ShowFileStatus(1);
            // A replay stores the switch inverted; with the folder gone it is settled to "no subfolders".
            if (m_replaying)
                setup.blnSubdirectories = false;
            lblSubdirectories->setText(setup.blnSubdirectories ? kYes : kNo);
            lblSubdirectories2->setText(setup.blnSubdirectories
                                            ? QStringLiteral("(Operate on all specified files in lower subfolders.)")
                                            : kNoLowerSubfolders);
            return;
        }
        if (checked.subfolders == 0) {
            lblSubdirectories->setText(kNo);
            lblSubdirectories2->setText(kNoSubfolders);
            return;
        }
    }
    setup.blnSubdirectories = !setup.blnSubdirectories;
    if (!setup.blnSubdirectories) {
        lblSubdirectories->setText(kNo);
        lblSubdirectories2->setText(kNoLowerSubfolders);
    } else {
        lblSubdirectories->setText(kYes);
        lblSubdirectories2->setText(QStringLiteral("(Operate on all specified files in lower subfolders.)"));
        setup.blnOutputFilesSame = false;
        cmdOutputFilesSame_MouseUp(Qt::LeftButton);
    }
    lblSetupFilename->clear();
}

void frmMain::cmdOutputFilesSame_MouseUp(Qt::MouseButton button) {
    if (button == Qt::RightButton) {
        ShowHelp(cmdOutputFilesSame->intHelpHeading);
        return;
    }
    setup.blnOutputFilesSame = !setup.blnOutputFilesSame;
    if (!setup.blnOutputFilesSame) {
        lblOutputFilesSame->setText(kNo);
        lblOutputFilesSame2->setText(QStringLiteral("(The output files normally are different from the input files.)"));
    } else {
        lblOutputFilesSame->setText(kYes);
        lblOutputFilesSame2->setText(QStringLiteral("(The output files are the same as the input files.)"));
        CopyInputToOutput();
        ShowFileStatus(1);
    }
    lblSetupFilename->clear();
}

void frmMain::cmdKeyFrom_MouseUp(Qt::MouseButton button) {
    if (button == Qt::RightButton) {
        ShowHelp(cmdKeyFrom->intHelpHeading);
        return;
    }
    if (refusedDuringRun())
        return;
    picKeyFrom->open(setup.blnEncrypt);
}

void frmMain::cmdRandomnessReport_MouseUp(Qt::MouseButton button) {
    if (button == Qt::RightButton) {
        ShowHelp(cmdRandomnessReport->intHelpHeading);
        return;
    }
    randomness.open(setup.InputSpecified(), setup.OutputSpecified());
    if (picRandomnessReport->isVisible()) {
        picRandomnessReport->raise();
        for (int i = 2; i < 4; ++i)
            if (cmdSpecifyFiles[size_t(i)]->isEnabled()) {
                cmdSpecifyFiles[size_t(i)]->setFocus();
                break;
            }
    }
}

void frmMain::cmdHelp_MouseUp(Qt::MouseButton button) {
    ShowHelp(button == Qt::RightButton ? cmdHelp->intHelpHeading : 0);
}

void frmMain::openPanel(QWidget* panel, QWidget* focus) {
    fraMenu->setEnabled(false);
    panel->setEnabled(true);
    panel->show();
    panel->raise();
    if (focus)
        focus->setFocus();
}

void frmMain::CopyInputToOutput() {
    setup.CopyInputToOutput();
}

void frmMain::ReplaySwitches() {
    m_replaying = true;
    cmdFunction_MouseUp(Qt::LeftButton);
    cmdOutputFilesSame_MouseUp(Qt::LeftButton);
    cmdSubdirectories_MouseUp(Qt::LeftButton);
    m_replaying = false;
}

void frmMain::ShowAllFileStatus() {
    ShowFileStatus(0);
    ShowFileStatus(1);
}

void frmMain::ShowFileStatus(int side) {
    if (side < 0 || side > 1)
        return;
    const QString& d = setup.strDirpath[size_t(side)];
    const QString& s = setup.strFilespec[size_t(side)];
    QLabel* description = lblFiles2[size_t(side)];
    description->clear();
    if (d.size() > 70)
        lblDirectory[size_t(side)]->setText(FileProc::ShortenPath(d, 70));
    else
        lblDirectory[size_t(side)]->setText(d.isEmpty() ? strNotSpecified : d);
    // With the output files the same, the output side holds the input's pattern (a single file's "/" mark too).
    const bool outputPattern = side == 1 && !setup.blnOutputFilesSame;
    const QString shown = outputPattern ? FileProc::OutputSpecShown(s, setup.blnEncrypt) : FileProc::InputSpecShown(s);
    lblFiles[size_t(side)]->setText(s.isEmpty() ? strNotSpecified : shown);
    lblFiles[size_t(side)]->raise();

    const bool wildcard = hasWildcard(s);
    const QChar quote = QLatin1Char('"');
    const QString added = outputPattern ? FileProc::AddedExtension(s) : QString();
    if (side == 1 && !added.isEmpty()) {
        description->setText(
            setup.blnEncrypt ? QStringLiteral("(Each input file's name with .") + added + QStringLiteral(" added.)")
                             : QStringLiteral("(Each input file's name without its .") + added + QStringLiteral(".)"));
    } else if (side == 0 && wildcard && s.size() <= 20) {
        if (s == QLatin1String("*.*"))
            description->setText(QStringLiteral("(All files.)"));
        else if (s.startsWith(QLatin1String("*.")))
            description->setText(QStringLiteral("(All files with extension ") + quote + s.mid(2) + quote +
                                 QStringLiteral(".)"));
        else
            description->setText(QStringLiteral("(All files of the form ") + quote + s + quote + QStringLiteral(".)"));
    } else if (!s.isEmpty() && !d.startsWith(QLatin1String("a:"), Qt::CaseInsensitive) && !wildcard) {
        const QString path = d + FileProc::InputSpecShown(s);
        strCurrentFilePath = path;
        const double r = FileProc::FileRandomness(path, context.intMinFilesizeForRandomness);
        if (side == 1) {
            // Empty and very short files exist too, though they have no randomness value.
            const bool exists = r >= 0 || r == -14 || r == -15;
            if (!setup.blnOutputFilesSame && exists)
                description->setText(QStringLiteral("(File exists already.)"));
        } else if (r == -12) {
            description->setText(QStringLiteral("(Error reading file.)"));
        } else if (r == -11) {
            description->setText(QStringLiteral("(File not found.)"));
        } else if (r == -14) {
            description->setText(QStringLiteral("(File is empty.)"));
        } else {
            QString text = FileProc::FileSizeText(path, 3);
            // A file too short to be measured gets its size only: no verdict either way.
            if (r >= 0 && r > context.dblMinZQ4Randomness)
                text += QStringLiteral("  (Seems to be either encrypted or compressed.)");
            else if (r >= 0 && r < 0.8)
                text += QStringLiteral("  (Seems not ZQ4-encrypted.)");
            description->setText(text);
        }
    }
    placeFileDescription(side);
    repaint();
    ShowSingleFileHint();
}

void frmMain::placeFileDescription(int side) {
    QLabel* spec = lblFiles[size_t(side)];
    QLabel* description = lblFiles2[size_t(side)];
    const QString s = setup.strFilespec[size_t(side)];
    // Right after the file specification: its length in average characters and a gap, or the text's true width
    // where the font makes it wider.
    const int twips = s == QLatin1String("*.*") ? int(s.size() + 2) * intCharWidth : int(s.size()) * intCharWidth + 300;
    const int textWidth = spec->fontMetrics().horizontalAdvance(spec->text());
    spec->setGeometry(0, 0, textWidth + 4, spec->height());
    const int left = std::max(twips / 15, textWidth + 12);
    // The row has no layout of its own, so it asks for the room its texts need (the window widens like it
    // does for every other status text), and the label is never narrower than its text: the row may not
    // have its final width yet.
    QWidget* row = spec->parentWidget();
    const int needed = description->text().isEmpty() ? textWidth + 4 : left + description->sizeHint().width();
    row->setMinimumWidth(needed);
    description->setGeometry(left, 0, std::max(row->width(), needed) - left, description->height());
    if (spec->text() != strNotSpecified)
        description->raise();
}

void frmMain::ShowSingleFileHint() {
    if (lblFiles[0]->text() == strNotSpecified)
        lblSingleFile->setText(QStringLiteral("To ") + TxtEncDec(QStringLiteral("encrypt")) +
                               QStringLiteral(" multiple files specify input folder and input files."));
    else
        lblSingleFile->clear();
}

bool frmMain::CheckInputFolder(const QString& spec) {
    return LaunchSequence::CheckInputFolder(setup.strDirpath[0], spec);
}

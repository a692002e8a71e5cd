#pragma once

#include "files/gui/SpecifyFilesDialog.h"

// "Specify output files": an existing file of the output folder, a new file, the input names with another
// extension, the input names with an extension added (taken off when decrypting), or names given by an output
// file pattern.
class frmSpecifyOutputFiles : public SpecifyFilesDialog {
    Q_OBJECT
public:
    explicit frmSpecifyOutputFiles(QWidget* parent = nullptr);

    QLabel* lblSingleFile;
    QRadioButton* optNewFile;
    QLineEdit* txbNewFile;
    QRadioButton* optAddExtension;
    QLabel* lblAddExtension;
    QLineEdit* txbAddExtension;

    // The operation's input, set by the caller: those files are not offered as an existing file to write over.
    QString strInputDirpath, strInputFilespec;

    QString ChosenFilespec() const override;

protected:
    void Prepare() override;
    void cmdAccept_Click() override;

private:
    // Takes the input files out of the list when it shows the input folder.
    void leaveOutInputs();
    // The answer is empty: says what is missing and keeps the dialog open.
    void askFor(const QString& missing);
};

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

    QString ChosenFilespec() const override;

protected:
    void Prepare() override;
    void cmdAccept_Click() override;
};

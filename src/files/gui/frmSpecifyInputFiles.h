#pragma once

#include "files/gui/SpecifyFilesDialog.h"

// "Specify input files": one file of the input folder, all files, all with one extension, or a file specification.
class frmSpecifyInputFiles : public SpecifyFilesDialog {
    Q_OBJECT
public:
    explicit frmSpecifyInputFiles(QWidget* parent = nullptr);

    QRadioButton* optAllFiles;

    QString ChosenFilespec() const override;

protected:
    void Prepare() override;
    void cmdAccept_Click() override;
};

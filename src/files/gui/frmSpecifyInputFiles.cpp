#include "files/gui/frmSpecifyInputFiles.h"

#include "files/gui/FileListBox.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

frmSpecifyInputFiles::frmSpecifyInputFiles(QWidget* parent) : SpecifyFilesDialog(parent) {
    setObjectName(QStringLiteral("frmSpecifyInputFiles"));
    setWindowTitle(QStringLiteral("Specify input files"));
    optAllFiles = new QRadioButton(this);
    optAllFiles->setObjectName(QStringLiteral("optAllFiles"));
    connect(optAllFiles, &QRadioButton::clicked, this, [this] { cmdAccept->setFocus(); });

    m_grid->addWidget(optSingleFile, 0, 0, 1, 3);
    m_grid->addWidget(File, 1, 0, 1, 3);
    m_grid->addWidget(optAllFiles, 2, 0, 1, 3);
    m_grid->addWidget(optExtension, 3, 0, 1, 3);
    m_grid->addWidget(lblExtension, 4, 1);
    m_grid->addWidget(txbExtension, 4, 2);
    m_grid->addWidget(optMultipleFiles, 5, 0, 1, 3);
    m_grid->addWidget(lblFilespec, 6, 1);
    m_grid->addWidget(txbFilespec, 6, 2);
    m_grid->addWidget(cmdAccept, 7, 1);
    m_grid->addWidget(cmdCancel, 7, 2);
    m_grid->setColumnMinimumWidth(0, 20);

    bindTextBox(txbExtension, optExtension, lblExtension);
    bindTextBox(txbFilespec, optMultipleFiles, lblFilespec);
}

void frmSpecifyInputFiles::Prepare() {
    const QString word = blnEncrypt ? QStringLiteral("Encrypt") : QStringLiteral("Decrypt");
    optSingleFile->setText(word + QStringLiteral(" a &single file:"));
    optAllFiles->setText(word + QStringLiteral(" &all files (*.*)"));
    optExtension->setText(word + QStringLiteral(" all files with a particular e&xtension"));
    optMultipleFiles->setText(word + QStringLiteral(" all files satisfying a file s&pecification"));
    lblExtension->setText(blnEncrypt ? QStringLiteral("e.g., txt or doc:") : QStringLiteral("e.g., enc:"));
    lblFilespec->setText(blnEncrypt ? QStringLiteral("e.g., a*.d*:") : QStringLiteral("e.g., a*.e*:"));
    optAllFiles->setEnabled(true);
    resetForShowing(intNumFiles != 0);
    cmdCancel->setFocus();
}

void frmSpecifyInputFiles::cmdAccept_Click() {
    bool accept = false;
    if (optSingleFile->isChecked()) {
        accept = !File->FileName().isEmpty();
    } else if (optAllFiles->isChecked()) {
        accept = true;
    } else if (optExtension->isChecked()) {
        if (!NormalizeExtension())
            return;
        accept = !txbExtension->text().isEmpty();
    } else if (optMultipleFiles->isChecked()) {
        txbFilespec->setText(txbFilespec->text().trimmed());
        accept = !txbFilespec->text().isEmpty();
    }
    hideWith(accept);
}

QString frmSpecifyInputFiles::ChosenFilespec() const {
    if (optSingleFile->isChecked())
        return File->FileName();
    if (optAllFiles->isChecked())
        return QStringLiteral("*.*");
    if (optExtension->isChecked())
        return QStringLiteral("*.") + txbExtension->text();
    return txbFilespec->text();
}

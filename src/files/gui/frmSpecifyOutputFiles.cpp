#include "files/gui/frmSpecifyOutputFiles.h"

#include "files/FileProc.h"
#include "files/gui/FileListBox.h"
#include "platform/os/MessageBox.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

frmSpecifyOutputFiles::frmSpecifyOutputFiles(QWidget* parent) : SpecifyFilesDialog(parent) {
    setObjectName(QStringLiteral("frmSpecifyOutputFiles"));
    setWindowTitle(QStringLiteral("Specify output files"));
    lblSingleFile = new QLabel(this);
    lblSingleFile->setObjectName(QStringLiteral("lblSingleFile"));
    optNewFile = new QRadioButton(this);
    optNewFile->setObjectName(QStringLiteral("optNewFile"));
    txbNewFile = new QLineEdit(this);
    txbNewFile->setObjectName(QStringLiteral("txbNewFile"));
    txbNewFile->setAccessibleName(QStringLiteral("New file name"));
    optAddExtension = new QRadioButton(this);
    optAddExtension->setObjectName(QStringLiteral("optAddExtension"));
    lblAddExtension = new QLabel(this);
    lblAddExtension->setObjectName(QStringLiteral("lblAddExtension"));
    txbAddExtension = new QLineEdit(this);
    txbAddExtension->setObjectName(QStringLiteral("txbAddExtension"));

    m_grid->addWidget(optSingleFile, 0, 0, 1, 2);
    m_grid->addWidget(lblSingleFile, 0, 2);
    m_grid->addWidget(File, 1, 0, 1, 3);
    m_grid->addWidget(optNewFile, 2, 0, 1, 2);
    m_grid->addWidget(txbNewFile, 2, 2);
    m_grid->addWidget(optExtension, 3, 0, 1, 3);
    m_grid->addWidget(lblExtension, 4, 1);
    m_grid->addWidget(txbExtension, 4, 2);
    m_grid->addWidget(optAddExtension, 5, 0, 1, 3);
    m_grid->addWidget(lblAddExtension, 6, 1);
    m_grid->addWidget(txbAddExtension, 6, 2);
    m_grid->addWidget(optMultipleFiles, 7, 0, 1, 3);
    m_grid->addWidget(lblFilespec, 8, 1);
    m_grid->addWidget(txbFilespec, 8, 2);
    m_grid->addWidget(cmdAccept, 9, 1);
    m_grid->addWidget(cmdCancel, 9, 2);
    m_grid->setColumnMinimumWidth(0, 20);

    // Tab goes down the dialog as it is laid out, each option followed by its field.
    QWidget* order[] = {optSingleFile,    File,         optNewFile,      txbNewFile,
                        optExtension,     txbExtension, optAddExtension, txbAddExtension,
                        optMultipleFiles, txbFilespec,  cmdAccept,       cmdCancel};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);

    bindTextBox(txbNewFile, optNewFile);
    connect(optNewFile, &QRadioButton::clicked, this, [this] { txbNewFile->setFocus(); });
    connect(optAddExtension, &QRadioButton::clicked, this, [this] { txbAddExtension->setFocus(); });
    bindTextBox(txbExtension, optExtension, lblExtension);
    bindTextBox(txbAddExtension, optAddExtension, lblAddExtension);
    bindTextBox(txbFilespec, optMultipleFiles, lblFilespec);
}

void frmSpecifyOutputFiles::Prepare() {
    txbNewFile->clear();
    txbAddExtension->clear();
    const QString word = blnEncrypt ? QStringLiteral("Encrypt") : QStringLiteral("Decrypt");
    optSingleFile->setText(word + QStringLiteral(" to an &existing file"));
    optNewFile->setText(word + QStringLiteral(" to a ne&w file:"));
    optExtension->setText(word + QStringLiteral(" to files with a particular e&xtension"));
    optAddExtension->setText(blnEncrypt
                                 ? QStringLiteral("Encrypt to the input names with an extension a&dded")
                                 : QStringLiteral("Decrypt to the input names with an a&dded extension removed"));
    optMultipleFiles->setText(word + QStringLiteral(" to files satisfying a file s&pecification"));
    lblSingleFile->setText(QStringLiteral("(which will be overwritten):"));
    // The warning belongs to its option, for those who hear the option rather than see the label beside it.
    optSingleFile->setAccessibleDescription(QStringLiteral("The file will be overwritten."));
    lblExtension->setText(blnEncrypt ? QStringLiteral("e.g., enc:") : QStringLiteral("e.g., txt or doc:"));
    lblAddExtension->setText(blnEncrypt ? QStringLiteral("e.g., enc (notes.txt gives notes.txt.enc):")
                                        : QStringLiteral("e.g., enc (notes.txt.enc gives notes.txt):"));
    txbAddExtension->setAccessibleName(blnEncrypt ? QStringLiteral("Extension to add")
                                                  : QStringLiteral("Extension to remove"));
    lblFilespec->setText(blnEncrypt ? QStringLiteral("e.g., a*.e*:") : QStringLiteral("e.g., a*.d*:"));
    resetForShowing(intNumFiles != 0);
    leaveOutInputs();
    // Writing over an existing file is never the answer given for the user: it is chosen, or nothing is.
    optExtension->setChecked(true);
}

void frmSpecifyOutputFiles::leaveOutInputs() {
    const auto withSlash = [](const QString& d) { return d.endsWith(QLatin1Char('/')) ? d : d + QLatin1Char('/'); };
    if (strInputFilespec.isEmpty() || File->Path().isEmpty() || withSlash(File->Path()) != withSlash(strInputDirpath))
        return;
    for (int row = File->count() - 1; row >= 0; --row)
        if (FileProc::FileNameMatchesSpec(File->item(row)->data(Qt::UserRole).toString(), strInputFilespec, false))
            delete File->takeItem(row);
    if (File->count() == 0) {
        optSingleFile->setEnabled(false);
        File->setEnabled(false);
    }
}

void frmSpecifyOutputFiles::askFor(const QString& missing) {
    MessageBox::show(missing, windowTitle(), MessageBox::Warning);
}

void frmSpecifyOutputFiles::cmdAccept_Click() {
    bool accept = false;
    QString missing;
    if (optSingleFile->isChecked()) {
        accept = !File->FileName().isEmpty();
        missing = QStringLiteral("Select the existing file in the list, or choose another option.");
    } else if (optNewFile->isChecked()) {
        txbNewFile->setText(txbNewFile->text().trimmed());
        accept = !txbNewFile->text().isEmpty();
        missing = QStringLiteral("Type the name of the new file.");
    } else if (optExtension->isChecked()) {
        if (!NormalizeExtension())
            return;
        accept = !txbExtension->text().isEmpty();
        missing = QStringLiteral("Type the extension of the output files (for example enc).");
    } else if (optAddExtension->isChecked()) {
        if (!NormalizeExtension(txbAddExtension))
            return;
        accept = !txbAddExtension->text().isEmpty();
        missing = blnEncrypt ? QStringLiteral("Type the extension to add (for example enc).")
                             : QStringLiteral("Type the extension to remove (for example enc).");
    } else if (optMultipleFiles->isChecked()) {
        txbFilespec->setText(txbFilespec->text().trimmed());
        accept = !txbFilespec->text().isEmpty();
        missing = QStringLiteral("Type the file specification of the output files.");
    }
    if (!accept) {
        askFor(missing);
        return;
    }
    if (accept && !optSingleFile->isChecked() && FileProc::OutputSpecNamesFolder(ChosenFilespec())) {
        MessageBox::show(FileProc::OutputSpecFolderText(), QStringLiteral("Error"), MessageBox::Warning);
        return;
    }
    hideWith(accept);
}

QString frmSpecifyOutputFiles::ChosenFilespec() const {
    if (optSingleFile->isChecked())
        return File->FileName();
    if (optNewFile->isChecked())
        return txbNewFile->text();
    if (optExtension->isChecked())
        return QStringLiteral("*.") + txbExtension->text();
    if (optAddExtension->isChecked())
        return FileProc::AddedExtensionSpec(txbAddExtension->text());
    return txbFilespec->text();
}

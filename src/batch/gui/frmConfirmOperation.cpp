#include "batch/gui/frmConfirmOperation.h"

#include "batch/ConfirmationText.h"
#include "batch/OutputSurvey.h"
#include "batch/RunContext.h"
#include "batch/gui/frmReport.h"
#include "files/Folder.h"
#include "platform/os/MessageBox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmConfirmOperation::frmConfirmOperation(frmReport& report, QWidget* parent) : QDialog(parent), m_report(report) {
    setObjectName(QStringLiteral("frmConfirmOperation"));
    setWindowTitle(QStringLiteral("Confirm operation"));
    setModal(true);
    lblDescr = new QLabel(this);
    lblDescr->setObjectName(QStringLiteral("lblDescr"));
    lblDescr->setWordWrap(true);
    lblPerformOperation = new QLabel(this);
    lblPerformOperation->setObjectName(QStringLiteral("lblPerformOperation"));
    cmdYes = new QPushButton(QStringLiteral("&Yes"), this);
    cmdYes->setObjectName(QStringLiteral("cmdYes"));
    cmdNo = new QPushButton(QStringLiteral("&No"), this);
    cmdNo->setObjectName(QStringLiteral("cmdNo"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblPerformOperation);
    buttons->addStretch();
    buttons->addWidget(cmdYes);
    buttons->addWidget(cmdNo);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblDescr);
    layout->addLayout(buttons);
    setMinimumWidth(480);

    connect(cmdYes, &QPushButton::clicked, this, [this] {
        blnDoIt = true;
        accept();
    });
    connect(cmdNo, &QPushButton::clicked, this, [this] {
        blnDoIt = false;
        reject();
    });
}

bool frmConfirmOperation::prepare() {
    const RunContext& ctx = m_report.context();
    const QString dir = m_report.strInputDirpath;
    const qint64 n = Folder::CountMatchingFiles(dir, m_report.strInputFilespec, true);
    if (n < 0) {
        MessageBox::show(QStringLiteral("Error when attempting to count files in ") + dir + QLatin1Char('.'),
                         QStringLiteral("Error"), MessageBox::Warning);
        return false;
    }
    ConfirmationText::Operation op;
    op.inputDirpath = dir;
    op.inputFilespec = m_report.strInputFilespec;
    op.outputDirpath = m_report.strOutputDirpath;
    op.outputFilespec = m_report.strOutputFilespec;
    op.matchingFiles = n;
    op.subdirectories = ctx.setup.blnSubdirectories;
    op.outputFilesSame = ctx.setup.blnOutputFilesSame;
    op.encrypt = ctx.setup.blnEncrypt;
    if (!op.outputFilesSame) {
        const OutputSurvey::Result outputs = OutputSurvey::survey(
            {dir, op.inputFilespec, op.outputDirpath, op.outputFilespec, op.encrypt, op.subdirectories, nullptr});
        op.existingOutputs = outputs.ownInputs + outputs.existing;
    }
    m_replacesFiles = op.outputFilesSame || op.existingOutputs > 0;
    lblDescr->setText(ConfirmationText::Description(op));
    lblPerformOperation->setText(ConfirmationText::Question(op.encrypt));
    // About 6 twips a character of description, and room for the buttons.
    const int textHeight = static_cast<int>(lblDescr->text().size() * 6 / 15);
    resize(width(), qMax(textHeight, cmdYes->sizeHint().height() + 900 / 15) + cmdYes->sizeHint().height());
    return true;
}

int frmConfirmOperation::exec() {
    blnDoIt = false;
    if (!prepare())
        return QDialog::Rejected;
    if (place)
        place(*this);
    // Enter (or a hasty Space) must not replace or purge files: then No has the focus and is the default.
    QPushButton* answer = m_replacesFiles ? cmdNo : cmdYes;
    cmdYes->setDefault(answer == cmdYes);
    cmdNo->setDefault(answer == cmdNo);
    answer->setFocus();
    return QDialog::exec();
}

void frmConfirmOperation::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (place)
        place(*this);
}

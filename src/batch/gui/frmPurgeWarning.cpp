#include "batch/gui/frmPurgeWarning.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmPurgeWarning::frmPurgeWarning(std::function<QString(const QString&)> wording, QWidget* parent)
    : QDialog(parent), m_wording(std::move(wording)) {
    setObjectName(QStringLiteral("frmPurgeWarning"));
    setWindowTitle(QStringLiteral("Purge advice"));
    setModal(true);
    lblMessage = new QLabel(this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setWordWrap(true);
    chkDontShowAgain = new QCheckBox(QStringLiteral("&Don't display this advice again during this operation."), this);
    chkDontShowAgain->setObjectName(QStringLiteral("chkDontShowAgain"));
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(chkDontShowAgain);
    bottom->addStretch();
    bottom->addWidget(cmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblMessage);
    layout->addLayout(bottom);
    setMinimumWidth(520);

    connect(chkDontShowAgain, &QCheckBox::clicked, this, [this] {
        blnShowPurgeWarning = !chkDontShowAgain->isChecked();
        cmdOK->setFocus();
    });
    connect(cmdOK, &QPushButton::clicked, this, [this] {
        blnShowPurgeWarning = !chkDontShowAgain->isChecked();
        accept();
    });
}

QString frmPurgeWarning::messageText() const {
    const QString para = QStringLiteral("\r\n\r\n");
    return QStringLiteral("The file ") + strPurgeFilePath + QStringLiteral(" has been ") +
           m_wording(QStringLiteral("encrypted")) + QLatin1Char('.') + para +
           QStringLiteral("The file in its original form will now be purged ") +
           QStringLiteral("(overwritten and deleted).  If Norton AntiVirus Auto-Protect (or a similar ") +
           QStringLiteral("utility) is active then it may produce a warning message ") +
           QStringLiteral("(once for each plaintext file which is purged).  ") +
           QStringLiteral("If so, do not stop the operation but rather allow it to continue.") + para +
           QStringLiteral("It is better to disable your antivirus software either before ") +
           QStringLiteral("running Cryptosystem ZQ4 or during a run (like now).") + para +
           QStringLiteral("The purge here overwrites the file once.  For more secure purging, use a dedicated ") +
           QStringLiteral("purging utility, which can overwrite a file many times and also clean the free ") +
           QStringLiteral("space of the disk.");
}

void frmPurgeWarning::showEvent(QShowEvent* event) {
    lblMessage->setText(messageText().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    QDialog::showEvent(event);
    QApplication::beep();
    cmdOK->setDefault(true);
    cmdOK->setFocus();
}

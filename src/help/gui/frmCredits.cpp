#include "help/gui/frmCredits.h"

#include "help/HelpText.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmCredits::frmCredits(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmCredits"));
    setModal(true);

    txbMsg = new QPlainTextEdit(this);
    txbMsg->setObjectName(QStringLiteral("txbMsg"));
    txbMsg->setAccessibleName(QStringLiteral("Credits"));
    txbMsg->setReadOnly(true);
    cmdClose = new QPushButton(this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);
    connect(cmdClose, &QPushButton::clicked, this, &frmCredits::cmdClose_Click);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txbMsg);
    layout->addWidget(cmdClose, 0, Qt::AlignRight);
    resize(420, 220);
}

void frmCredits::showEvent(QShowEvent* event) {
    setWindowTitle(QStringLiteral("Author"));
    txbMsg->setPlainText(HelpText::Credits());
    cmdClose->setText(QStringLiteral("&Close"));
    cmdClose->setFocus();
    QDialog::showEvent(event);
}

void frmCredits::cmdClose_Click() {
    hide();
}

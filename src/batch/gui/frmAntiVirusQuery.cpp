#include "batch/gui/frmAntiVirusQuery.h"

#include "platform/os/gui/CaptionRoom.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmAntiVirusQuery::frmAntiVirusQuery(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAntiVirusQuery"));
    setWindowTitle(QStringLiteral("Antivirus software query"));
    setModal(true);
    lblQuestion = new QLabel(QStringLiteral("Is Norton AntiVirus Auto-Protect, or some other antivirus software, "
                                            "currently active on this PC?"),
                             this);
    lblQuestion->setObjectName(QStringLiteral("lblQuestion"));
    lblQuestion->setWordWrap(true);
    cmdYes = new QPushButton(QStringLiteral("&Yes"), this);
    cmdYes->setObjectName(QStringLiteral("cmdYes"));
    cmdNo = new QPushButton(QStringLiteral("&No"), this);
    cmdNo->setObjectName(QStringLiteral("cmdNo"));
    cmdDontKnow = new QPushButton(QStringLiteral("&Don't know"), this);
    cmdDontKnow->setObjectName(QStringLiteral("cmdDontKnow"));
    for (QPushButton* b : {cmdYes, cmdNo, cmdDontKnow}) {
        b->setAutoDefault(false);
        CaptionRoom::give(b);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdYes);
    buttons->addWidget(cmdNo);
    buttons->addWidget(cmdDontKnow);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblQuestion);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    connect(cmdYes, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdDontKnow, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdNo, &QPushButton::clicked, this, [this] {
        blnNo = true;
        accept();
    });
}

void frmAntiVirusQuery::showEvent(QShowEvent* event) {
    blnNo = false;
    QDialog::showEvent(event);
    cmdDontKnow->setDefault(true);
    cmdDontKnow->setFocus();
}

#include "files/gui/SpecifyFilesDialog.h"

#include "files/gui/FileListBox.h"
#include "platform/os/MessageBox.h"
#include "platform/os/gui/OnScreen.h"

#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {
template <typename T> T* named(T* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}
} // namespace

SpecifyFilesDialog::SpecifyFilesDialog(QWidget* parent) : QDialog(parent) {
    setModal(true);
    optSingleFile = named(new QRadioButton(this), "optSingleFile");
    File = named(new FileListBox(this), "File");
    optExtension = named(new QRadioButton(this), "optExtension");
    lblExtension = named(new QLabel(this), "lblExtension");
    txbExtension = named(new QLineEdit(this), "txbExtension");
    optMultipleFiles = named(new QRadioButton(this), "optMultipleFiles");
    lblFilespec = named(new QLabel(this), "lblFilespec");
    txbFilespec = named(new QLineEdit(this), "txbFilespec");
    cmdAccept = named(new QPushButton(QStringLiteral("A&ccept"), this), "cmdAccept");
    cmdCancel = named(new QPushButton(QStringLiteral("Cance&l"), this), "cmdCancel");
    // What assistive technology calls the fields (the labels beside them change with the operation).
    File->setAccessibleName(QStringLiteral("Files in the folder"));
    txbExtension->setAccessibleName(QStringLiteral("Extension"));
    txbFilespec->setAccessibleName(QStringLiteral("File pattern"));
    cmdAccept->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);
    m_grid = new QGridLayout(this);

    connect(File, &QListWidget::itemClicked, this, [this] { optSingleFile->setChecked(true); });
    connect(File, &QListWidget::itemDoubleClicked, this, [this] {
        optSingleFile->setChecked(true);
        cmdAccept_Click();
    });
    // An option's mnemonic leads on to its field, as a click on it does.
    connect(optSingleFile, &QRadioButton::clicked, this, [this] { File->setFocus(); });
    connect(optExtension, &QRadioButton::clicked, this, [this] { txbExtension->setFocus(); });
    connect(optMultipleFiles, &QRadioButton::clicked, this, [this] { txbFilespec->setFocus(); });
    connect(cmdAccept, &QPushButton::clicked, this, [this] { cmdAccept_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void SpecifyFilesDialog::bindTextBox(QLineEdit* box, QRadioButton* option, QLabel* label) {
    m_bindings.append({box, option, label});
    box->installEventFilter(this);
    box->setMouseTracking(true);
    if (label)
        label->installEventFilter(this);
}

bool SpecifyFilesDialog::eventFilter(QObject* watched, QEvent* event) {
    for (const Binding& b : std::as_const(m_bindings)) {
        if (watched == b.label && event->type() == QEvent::MouseButtonPress) {
            b.option->setChecked(true);
            b.box->setFocus();
        }
        if (watched != b.box)
            continue;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            b.option->setChecked(true);
            break;
        case QEvent::Enter:
        case QEvent::MouseMove:
            b.box->setFocus();
            break;
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                b.option->setChecked(true);
                cmdAccept_Click();
                return true;
            }
            // Typing chooses the option; moving through the field (Tab, arrows, Shift) does not.
            const bool edits = (!key->text().isEmpty() && key->text().at(0).isPrint()) ||
                               key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete;
            if (edits)
                b.option->setChecked(true);
            break;
        }
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void SpecifyFilesDialog::showEvent(QShowEvent* event) {
    blnAccept = false;
    Prepare();
    // The captions set just now may widen the dialog past where it was placed: it is kept whole on the screen.
    adjustSize();
    OnScreen::keepOnScreen(this, parentWidget());
    QDialog::showEvent(event);
}

void SpecifyFilesDialog::resetForShowing(bool singleFileAllowed) {
    txbExtension->clear();
    txbFilespec->clear();
    optSingleFile->setEnabled(singleFileAllowed);
    File->setEnabled(singleFileAllowed);
    if (singleFileAllowed)
        optSingleFile->setChecked(true);
    else
        optExtension->setChecked(true);
    File->Refresh();
}

bool SpecifyFilesDialog::NormalizeExtension(QLineEdit* box) {
    if (!box)
        box = txbExtension;
    QString text = box->text().trimmed();
    if (text.startsWith(QLatin1String("*.")))
        text.remove(0, 2);
    else if (text.startsWith(QLatin1Char('.')))
        text.remove(0, 1);
    box->setText(text);
    if (text.contains(QLatin1Char('.'))) {
        MessageBox::show(QStringLiteral("Extension must not contain \".\"."), QStringLiteral("Error"),
                         MessageBox::Warning);
        return false;
    }
    return true;
}

void SpecifyFilesDialog::cmdCancel_Click() {
    hideWith(false);
}

void SpecifyFilesDialog::hideWith(bool accept) {
    blnAccept = accept;
    if (accept)
        QDialog::accept();
    else
        QDialog::reject();
}

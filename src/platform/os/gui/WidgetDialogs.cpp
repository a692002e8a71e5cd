#include "platform/os/gui/WidgetDialogs.h"

#include "platform/os/FileDialog.h"
#include "platform/os/MessageBox.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {
QMessageBox::Icon qtIcon(MessageBox::Icon icon) {
    switch (icon) {
    case MessageBox::Information:
        return QMessageBox::Information;
    case MessageBox::Warning:
        return QMessageBox::Warning;
    case MessageBox::Critical:
        return QMessageBox::Critical;
    case MessageBox::Question:
        return QMessageBox::Question;
    case MessageBox::NoIcon:
        break;
    }
    return QMessageBox::NoIcon;
}

struct ButtonPair {
    MessageBox::Button ours;
    QMessageBox::StandardButton qt;
};
constexpr ButtonPair kButtons[] = {
    {MessageBox::Ok, QMessageBox::Ok},         {MessageBox::Cancel, QMessageBox::Cancel},
    {MessageBox::Yes, QMessageBox::Yes},       {MessageBox::No, QMessageBox::No},
    {MessageBox::Abort, QMessageBox::Abort},   {MessageBox::Retry, QMessageBox::Retry},
    {MessageBox::Ignore, QMessageBox::Ignore},
};

MessageBox::Button presentMessage(const MessageBox::Shown& shown) {
    QMessageBox box(qtIcon(shown.icon), shown.title, shown.text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    for (const ButtonPair& b : kButtons) {
        if (shown.buttons & b.ours) {
            box.addButton(b.qt);
            if (shown.defaultButton == b.ours)
                box.setDefaultButton(b.qt);
        }
    }
    const int chosen = box.exec();
    for (const ButtonPair& b : kButtons)
        if (chosen == b.qt)
            return b.ours;
    // Closed with Escape or the close box: the cancelling answer the box offers.
    if (shown.buttons & MessageBox::Cancel)
        return MessageBox::Cancel;
    if (shown.buttons & MessageBox::No)
        return MessageBox::No;
    return MessageBox::Ok;
}

QString presentFileDialog(const FileDialog::Request& request) {
    QWidget* parent = QApplication::activeWindow();
    switch (request.kind) {
    case FileDialog::Open:
        return QFileDialog::getOpenFileName(parent, request.title, request.directory, request.filter);
    case FileDialog::Save:
        return QFileDialog::getSaveFileName(parent, request.title, request.directory, request.filter, nullptr,
                                            request.confirmOverwrite ? QFileDialog::Options()
                                                                     : QFileDialog::DontConfirmOverwrite);
    case FileDialog::Folder:
        return QFileDialog::getExistingDirectory(parent, request.title, request.directory);
    }
    return {};
}
} // namespace

void installWidgetDialogs() {
    MessageBox::setPresenter(presentMessage);
    FileDialog::setPresenter(presentFileDialog);
}

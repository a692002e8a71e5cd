#include "platform/os/gui/WidgetDialogs.h"

#include "platform/os/FileDialog.h"
#include "platform/os/MessageBox.h"
#include "platform/os/gui/OnScreen.h"

#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QTreeView>

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
    QMessageBox box(qtIcon(shown.icon), shown.title, shown.text, QMessageBox::NoButton, QApplication::activeWindow());
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

// The dialog's own list (where the platform has none of its own) shows whole dates and times, not "9 Dec
// ...:28:32", and the dialog opens whole on the screen.
void fitFileDialog(QFileDialog& dialog) {
    if (auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = view->header();
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    dialog.resize(OnScreen::boundedByScreen(dialog.sizeHint().expandedTo(dialog.size()), &dialog));
}

QString presentFileDialog(const FileDialog::Request& request) {
    QFileDialog dialog(QApplication::activeWindow(), request.title, request.directory, request.filter);
    switch (request.kind) {
    case FileDialog::Open:
        dialog.setFileMode(QFileDialog::ExistingFile);
        break;
    case FileDialog::Save:
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
        break;
    case FileDialog::Folder:
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        break;
    }
    fitFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}
} // namespace

void installWidgetDialogs() {
    MessageBox::setPresenter(presentMessage);
    FileDialog::setPresenter(presentFileDialog);
}

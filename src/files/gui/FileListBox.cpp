#include "files/gui/FileListBox.h"

#include "files/FolderListing.h"
#include "platform/os/NativeName.h"

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void FileListBox::setPath(const QString& folder) {
    m_path = folder;
    Refresh();
}

void FileListBox::Refresh() {
    clear();
    if (m_path.isEmpty())
        return;
    // A name is shown readably and kept as it is for the choice.
    for (const QString& name : Folder::listFiles(m_path).names) {
        auto* item = new QListWidgetItem(NativeName::shown(name), this);
        item->setData(Qt::UserRole, name);
    }
    setCurrentRow(-1);
}

QString FileListBox::FileName() const {
    const QList<QListWidgetItem*> chosen = selectedItems();
    return chosen.isEmpty() ? QString() : chosen.first()->data(Qt::UserRole).toString();
}

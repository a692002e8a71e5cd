#pragma once

#include <QListWidget>

// A list of the files of one folder, names only, in case-insensitive order.
class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);

    void setPath(const QString& folder);
    QString Path() const { return m_path; }
    // Re-reads the folder; the selection is dropped.
    void Refresh();
    // The selected file's name, empty when none is selected.
    QString FileName() const;

private:
    QString m_path;
};

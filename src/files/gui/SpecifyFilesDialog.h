#pragma once

#include <QDialog>

class FileListBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// What the input and output files dialogs share: a file list, an extension choice, a file specification
// choice, Accept and Cancel. The caller sets blnEncrypt, intNumFiles and the list's folder, then exec()s;
// afterwards blnAccept says whether the chosen option and its text are a usable answer.
class SpecifyFilesDialog : public QDialog {
    Q_OBJECT
public:
    bool blnAccept = false;
    bool blnEncrypt = true;
    qint64 intNumFiles = 0;

    QRadioButton* optSingleFile;
    FileListBox* File;
    QRadioButton* optExtension;
    QLabel* lblExtension;
    QLineEdit* txbExtension;
    QRadioButton* optMultipleFiles;
    QLabel* lblFilespec;
    QLineEdit* txbFilespec;
    QPushButton* cmdAccept;
    QPushButton* cmdCancel;

    // The file specification the accepted answer stands for.
    virtual QString ChosenFilespec() const = 0;

    // Trims the extension box (txbExtension unless another is given), drops a leading "*." or else "."; false
    // (after the error message) if a dot remains.
    bool NormalizeExtension(QLineEdit* box = nullptr);

protected:
    explicit SpecifyFilesDialog(QWidget* parent);
    // Puts a text box (and the label that explains it) under its option.
    void bindTextBox(QLineEdit* box, QRadioButton* option, QLabel* label = nullptr);
    void resetForShowing(bool singleFileAllowed);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    virtual void Prepare() = 0;
    virtual void cmdAccept_Click() = 0;
    void cmdCancel_Click();
    void hideWith(bool accept);

    QGridLayout* m_grid;

private:
    struct Binding {
        QLineEdit* box;
        QRadioButton* option;
        QLabel* label;
    };
    QList<Binding> m_bindings;
};

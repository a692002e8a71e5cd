#pragma once

#include <QFrame>
#include <QPointer>

#include <array>

class QLabel;
class QPushButton;
class KeyOperations;
class frmKeyFrom;

// The key panel of the main window: how the key is to be specified. While it is open the main window's
// menu and setup frames are disabled; every button but "Not now" closes it, acts and describes the key in
// the main window's key label.
class KeyPanel : public QFrame {
    Q_OBJECT
public:
    // Between the buttons, and between them and the frame.
    static constexpr int kGap = 3;
    KeyPanel(KeyOperations& operations, QWidget* parent = nullptr);

    // The main window's parts the panel works with. Any of them may be left out.
    struct MainWindowParts {
        QLabel* lblKeyFrom = nullptr;
        QWidget* fraMenu = nullptr;
        QWidget* fraSetup = nullptr;
        QWidget* cmdKeyFrom = nullptr; // gets the focus back when the panel closes
        QWidget* container = nullptr;  // the main window's frame holding the panel, shown and hidden with it
    };
    void attach(const MainWindowParts& parts);

    QPushButton* cmdKeyboardWithDisplay;
    QPushButton* cmdKeyboardWithoutDisplay;
    // 0 "Get key from keyfile", 1 "Create random key" (encrypting only).
    std::array<QPushButton*, 2> cmdKeyFile;
    QPushButton* cmdEraseKey;
    QPushButton* cmdDontSpecifyKeyNow;

    // The key label's caption when the panel was last opened.
    QString strSavedKeyCaption;

    // Opens the panel for the operation's direction.
    void open(bool encrypt);
    // The key label after a key operation.
    void UpdateKeyDescription();

signals:
    // A panel button has acted and the key label shows the outcome.
    void keyChanged();

private:
    void closePanel();
    void afterAction();
    void eraseKey();
    void dontSpecifyKeyNow();

    KeyOperations& m_operations;
    frmKeyFrom& m_key;
    QPointer<QLabel> m_lblKeyFrom;
    QPointer<QWidget> m_fraMenu;
    QPointer<QWidget> m_fraSetup;
    QPointer<QWidget> m_cmdKeyFrom;
    QPointer<QWidget> m_container;
};

#pragma once

#include <QMainWindow>

// The main window: it owns the operation setup and drives everything else.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);

    static QString versionText() { return QStringLiteral("7.77"); }
};

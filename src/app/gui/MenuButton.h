#pragma once

#include <QPushButton>

// A button of the main menu. It reports the mouse button released over it rather than a click, so the
// right button can open help; Enter and Space act as a left-button release; F1 asks for help.
class MenuButton : public QPushButton {
    Q_OBJECT
public:
    MenuButton(const QString& caption, QWidget* parent);

    // Help section the right button opens.
    int intHelpHeading = 0;

signals:
    void mouseUp(Qt::MouseButton button);
    void helpKey();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
};

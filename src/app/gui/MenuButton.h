#pragma once

#include <QList>
#include <QPointer>
#include <QPushButton>

class QLabel;

// A button of the main menu. It reports the mouse button released over it rather than a click, so the
// right button can open help; Enter and Space act as a left-button release; F1 asks for help.
// Its mnemonic (Alt and the underlined letter) acts as a left-button release too.
// To assistive technology it is a button whose press acts as a left-button release, and whose description is
// what the status texts beside it say (the folder chosen, the key, ...).
class MenuButton : public QPushButton {
    Q_OBJECT
public:
    MenuButton(const QString& caption, QWidget* parent);

    // Help section the right button opens.
    int intHelpHeading = 0;

    // The labels beside the button that show its value.
    void showsValueIn(const QList<QLabel*>& labels);
    // Their texts, in order, the empty ones left out.
    QString valueText() const;
    // What the button does, said to assistive technology when no value is shown beside it.
    QString whatItDoes;
    // With room on either side of the caption.
    QSize sizeHint() const override;
    // What a left-button release does.
    void activate() { emit mouseUp(Qt::LeftButton); }

signals:
    void mouseUp(Qt::MouseButton button);
    void helpKey();

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    QList<QPointer<QLabel>> m_valueLabels;
};

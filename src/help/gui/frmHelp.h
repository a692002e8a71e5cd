#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;
class frmCredits;

// The help window: one long text with a section per menu button of the main window. Created once and then
// only hidden and shown again, so it keeps its size, position and text for the whole run.
class frmHelp : public QWidget {
    Q_OBJECT
public:
    explicit frmHelp(QWidget* mainWindow);

    // Section to show on the next activation: 0 for the top of the text, 1..14 for a section.
    int intStartHeading = 0;

    QPlainTextEdit* txbText = nullptr;
    QPushButton* cmdCredit = nullptr;
    QPushButton* cmdClose = nullptr;

    // The whole help text as built at load time (CR LF line ends).
    const QString& helpText() const { return m_text; }
    frmCredits* credits() const { return m_credits; }

    // Puts the caret or the selection at intStartHeading and scrolls it into view.
    void Form_Activate();

    // The window never gets smaller than this, in twips (15 twips = 1 pixel).
    static constexpr int intMinSizeTwips = 4000;

public slots:
    void cmdCredit_Click();
    void cmdClose_Click();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutControls();
    int documentPosition(qsizetype textIndex) const;

    QString m_text;
    frmCredits* m_credits = nullptr;
};

// Opens the help window of the program at a section (0 = top, 1..14), creating it on first use beside the
// main window. A minimised help window comes back at normal size; the window is never modal.
void ShowHelp(QWidget* mainWindow, int heading);

// The help window once ShowHelp has created it, otherwise null.
frmHelp* helpWindow();

#include "key/gui/KeyPanel.h"

#include "key/KeyDescription.h"
#include "key/frmKeyFrom.h"
#include "key/gui/KeyOperations.h"
#include "key/gui/KeyWidgets.h"
#include "platform/filekit/Language2.h"

#include "platform/os/gui/CaptionRoom.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// Program texts 6 and 7: the main window's words for an item specified or not.
QString strSpecified() {
    return Language2::ProgramText(6);
}
QString strNotSpecified() {
    return Language2::ProgramText(7);
}
} // namespace

KeyPanel::KeyPanel(KeyOperations& operations, QWidget* parent)
    : QFrame(parent), m_operations(operations), m_key(operations.key()) {
    setObjectName(QStringLiteral("picKeyFrom"));
    setFrameShape(QFrame::Box);
    const auto button = [this](const QString& name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        CaptionRoom::give(b);
        KeyWidgets::focusOnHover(b);
        return b;
    };
    cmdKeyboardWithDisplay =
        button(QStringLiteral("cmdKeyboardWithDisplay"), QStringLiteral("Type key (&with display)"));
    cmdKeyboardWithoutDisplay =
        button(QStringLiteral("cmdKeyboardWithoutDisplay"), QStringLiteral("Type key (with&out display)"));
    cmdKeyFile[0] = button(QStringLiteral("cmdKeyFile_0"), QStringLiteral("&Get key from keyfile"));
    cmdKeyFile[1] = button(QStringLiteral("cmdKeyFile_1"), QStringLiteral("&Create random key"));
    cmdEraseKey = button(QStringLiteral("cmdEraseKey"), QStringLiteral("&Erase key"));
    cmdDontSpecifyKeyNow = button(QStringLiteral("cmdDontSpecifyKeyNow"), QStringLiteral("&Not now"));

    // Stacked with a small gap, none touching another or the frame: hiding "Create random key" moves the two
    // below it up by one button and its gap.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kGap, kGap, kGap, kGap);
    layout->setSpacing(kGap);
    for (QPushButton* b : {cmdKeyboardWithDisplay, cmdKeyboardWithoutDisplay, cmdKeyFile[0], cmdKeyFile[1], cmdEraseKey,
                           cmdDontSpecifyKeyNow})
        layout->addWidget(b);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    const auto act = [this](auto action) {
        return [this, action] {
            closePanel();
            action();
            afterAction();
        };
    };
    connect(cmdKeyboardWithDisplay, &QPushButton::clicked, this, act([this] { m_operations.KeyboardWithDisplay(); }));
    connect(cmdKeyboardWithoutDisplay, &QPushButton::clicked, this,
            act([this] { m_operations.KeyboardWithoutDisplay(); }));
    connect(cmdKeyFile[0], &QPushButton::clicked, this, act([this] { m_operations.KeyFile(0); }));
    connect(cmdKeyFile[1], &QPushButton::clicked, this, act([this] { m_operations.KeyFile(1); }));
    connect(cmdEraseKey, &QPushButton::clicked, this, act([this] { eraseKey(); }));
    connect(cmdDontSpecifyKeyNow, &QPushButton::clicked, this, &KeyPanel::dontSpecifyKeyNow);
    hide();
}

void KeyPanel::attach(const MainWindowParts& parts) {
    m_lblKeyFrom = parts.lblKeyFrom;
    m_fraMenu = parts.fraMenu;
    m_fraSetup = parts.fraSetup;
    m_cmdKeyFrom = parts.cmdKeyFrom;
    m_container = parts.container;
}

void KeyPanel::open(bool encrypt) {
    m_operations.setEncrypt(encrypt);
    if (m_lblKeyFrom) {
        strSavedKeyCaption = m_lblKeyFrom->text();
        m_lblKeyFrom->clear();
    }
    for (QWidget* frame : {m_fraMenu.data(), m_fraSetup.data()})
        if (frame)
            frame->setEnabled(false);
    cmdKeyFile[1]->setVisible(encrypt);
    if (m_container) {
        m_container->setEnabled(true);
        m_container->show();
        m_container->raise();
    }
    show();
    raise();
    cmdKeyboardWithDisplay->setFocus(Qt::OtherFocusReason);
}

void KeyPanel::closePanel() {
    hide();
    if (m_container)
        m_container->hide();
}

void KeyPanel::afterAction() {
    UpdateKeyDescription();
    for (QWidget* frame : {m_fraMenu.data(), m_fraSetup.data()})
        if (frame)
            frame->setEnabled(true);
    if (m_cmdKeyFrom)
        m_cmdKeyFrom->setFocus(Qt::OtherFocusReason);
    emit keyChanged();
}

void KeyPanel::UpdateKeyDescription() {
    const QString caption = KeyDescription::caption(m_key, strSpecified(), strNotSpecified(), strSavedKeyCaption);
    if (m_lblKeyFrom)
        m_lblKeyFrom->setText(caption);
}

void KeyPanel::eraseKey() {
    // Wipes the engine's copy too.
    EraseKeyMaterial(m_key);
    m_key.intKeyFrom = frmKeyFrom::NoKey;
    m_key.blnCancel = false;
    if (m_lblKeyFrom)
        m_lblKeyFrom->setText(strNotSpecified());
}

void KeyPanel::dontSpecifyKeyNow() {
    closePanel();
    if (m_lblKeyFrom)
        m_lblKeyFrom->setText(strSavedKeyCaption);
    for (QWidget* frame : {m_fraMenu.data(), m_fraSetup.data()})
        if (frame)
            frame->setEnabled(true);
    if (m_cmdKeyFrom)
        m_cmdKeyFrom->setFocus(Qt::OtherFocusReason);
}

#include "key/KeyDescription.h"

#include "key/KeyMaterial.h"
#include "key/frmKeyFrom.h"
#include "platform/engine/Engine.h"
#include "platform/os/MessageBox.h"

namespace KeyDescription {

QString sourceDescription(const frmKeyFrom& key) {
    if (key.intKeyFrom == frmKeyFrom::FromKeyboard)
        return QStringLiteral("keyboard entry");
    if (key.blnNewRandomKeyFileCreated)
        return QStringLiteral("new random key in keyfile");
    if (key.blnKeyIsRandom)
        return QStringLiteral("apparently random key in keyfile");
    if (key.blnKeyIsText)
        return QStringLiteral("text key in keyfile");
    return QStringLiteral("non-random non-text key in keyfile");
}

QString caption(frmKeyFrom& key, const QString& strSpecified, const QString& strNotSpecified,
                const QString& strSavedKeyCaption) {
    if (key.blnCancel)
        return strSavedKeyCaption;
    if (key.intKeyFrom == frmKeyFrom::NoKey)
        return strNotSpecified;
    if (key.strKey.isEmpty()) {
        MessageBox::show(QStringLiteral("Error processing key!"), QStringLiteral("Error"), MessageBox::Critical,
                         MessageBox::Ok);
        key.intKeyFrom = frmKeyFrom::NoKey;
        return strNotSpecified;
    }
    return strSpecified + QStringLiteral(" (") + sourceDescription(key) + QStringLiteral(", checksum = ") +
           QString::number(key.intKeyChecksum) + QStringLiteral(")");
}

} // namespace KeyDescription

void EraseKeyMaterial(frmKeyFrom& key) {
    KeyMaterial::wipe(key.strKey);
    KeyMaterial::wipe(key.strKeyDigest);
    KeyMaterial::wipe(key.strNewKey);
    KeyMaterial::wipe(key.strKeyFile);
    // The unreduced text is the key too.
    KeyMaterial::wipe(key.strKeyAsInput);
    zq4e::erase_key();
}

// The keyfile steps that need the text and randomness verdicts.
#include "key/Keyfile.h"

#include "key/KeyMaterial.h"
#include "key/frmKeyFrom.h"

namespace Keyfile {

namespace {
qsizetype reducedLength(frmKeyFrom& key, const QByteArray& candidate) {
    QByteArray reduced = key.ReducedKey(candidate);
    const qsizetype length = reduced.size();
    KeyMaterial::wipe(reduced);
    return length;
}
} // namespace

ReadResult readInto(frmKeyFrom& key, const QString& path) {
    ReadResult result;
    QByteArray bytes;
    if (!readKeyBytes(path, bytes, result.errorText)) {
        key.intKeyFrom = frmKeyFrom::NoKey;
        result.status = ReadStatus::ReadFailed;
        return result;
    }
    KeyMaterial::replace(key.strNewKey, std::move(bytes));
    if (reducedLength(key, key.strNewKey) < key.intMinKeyLength) {
        key.intKeyFrom = frmKeyFrom::NoKey;
        result.status = ReadStatus::Unsuitable;
        return result;
    }
    replaceEmbeddedZeros(key.strNewKey);
    key.blnKeyIsText = key.KeyIsText(key.strNewKey);
    key.blnKeyIsRandom = !key.blnKeyIsText && key.KeyIsRandom(key.strNewKey);
    result.status = ReadStatus::Ok;
    return result;
}

bool acceptGenerated(frmKeyFrom& key, const QByteArray& candidate) {
    if (reducedLength(key, candidate) < key.intMinKeyLength || !key.KeyIsRandom(candidate) || key.KeyIsText(candidate))
        return false;
    key.blnKeyIsRandom = true;
    key.blnKeyIsText = false;
    return true;
}

} // namespace Keyfile

#include "key/frmKeyFrom.h"

#include "key/KeyMaterial.h"
#include "key/Md5.h"

#include <QChar>

frmKeyFrom& frmKeyFrom::instance() {
    static frmKeyFrom key;
    return key;
}

char frmKeyFrom::upperLatin1(char c) {
    const char16_t upper = QChar::fromLatin1(c).toUpper().unicode();
    return upper <= 0xFF ? static_cast<char>(upper) : c;
}

QByteArray frmKeyFrom::ReducedKey(const QByteArray& strKey) {
    KeyMaterial::replace(strKeyAsInput, strKey);
    // Reserved up front: growing would leave copies of the key in freed memory.
    QByteArray reduced;
    reduced.reserve(strKey.size());
    for (const char c : strKey)
        if (static_cast<unsigned char>(c) > 32)
            reduced.append(upperLatin1(c));
    return reduced;
}

bool frmKeyFrom::KeyIsAdmissible(const QByteArray& strKey) {
    QByteArray reduced = ReducedKey(strKey);
    const bool admissible = reduced.size() >= intMinKeyLength;
    KeyMaterial::wipe(reduced);
    return admissible;
}

int frmKeyFrom::checksumOfDigest(const QByteArray& digest) {
    qint64 sum = 0;
    for (qsizetype k = 0; k + 1 < digest.size(); k += 2)
        sum += static_cast<unsigned char>(digest[k]) * 65536 + static_cast<unsigned char>(digest[k + 1]);
    return static_cast<int>(sum % 8999) + 1001;
}

int frmKeyFrom::KeyChecksum(const QByteArray& strReducedKey) {
    KeyMaterial::replace(strKeyDigest, md5::MD5Digest(strReducedKey, strReducedKey.size()));
    return checksumOfDigest(strKeyDigest);
}

QByteArray frmKeyFrom::stretchedKey(const QByteArray& key) {
    constexpr qsizetype length = 64;
    if (key.isEmpty() || key.size() >= length)
        return key;
    QByteArray stretched;
    stretched.reserve(length);
    while (stretched.size() < length)
        stretched.append(key.constData(), std::min(key.size(), length - stretched.size()));
    return stretched;
}

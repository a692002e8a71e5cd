#include "key/Md5.h"

#include <QCryptographicHash>

#include <algorithm>

namespace md5 {

QByteArray MD5Digest(const QByteArray& text, qint64 n) {
    const qint64 length = std::clamp<qint64>(n, 0, text.size());
    QCryptographicHash hash(QCryptographicHash::Md5);
    hash.addData(QByteArrayView(text.constData(), length));
    return hash.result();
}

} // namespace md5

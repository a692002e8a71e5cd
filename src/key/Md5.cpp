#include "key/Md5.h"

#include <openssl/evp.h>

#include <algorithm>

namespace md5 {

QByteArray MD5Digest(const QByteArray& text, qint64 n) {
    const qint64 length = std::clamp<qint64>(n, 0, text.size());
    // OpenSSL's one-shot digest clears its context when it is done; a hash object that buffers its input would
    // leave the key's bytes behind in freed memory.
    unsigned char digest[16];
    unsigned int size = 0;
    if (EVP_Digest(text.constData(), std::size_t(length), digest, &size, EVP_md5(), nullptr) != 1 || size != 16)
        return {};
    return QByteArray(reinterpret_cast<const char*>(digest), int(size));
}

} // namespace md5

#include "CipherFileWriter.h"

#include <QHash>

#include <openssl/evp.h>
#include <openssl/kdf.h>

namespace CipherFileWriter {

namespace {

using Bytes = const unsigned char*;
Bytes u(const QByteArray& b) { return reinterpret_cast<Bytes>(b.constData()); }

// scrypt results by key and header bytes 7-27 (costs and KDF salt), so crafting many files stays quick.
QByteArray masterKey(const QByteArray& key, const QByteArray& head) {
    static QHash<QByteArray, QByteArray> memo;
    const QByteArray id = key + head.mid(7, 21);
    if (const auto it = memo.constFind(id); it != memo.constEnd())
        return *it;
    const int n = 1 << static_cast<unsigned char>(head[7]);
    QByteArray master(32, 0);
    if (EVP_PBE_scrypt(key.constData(), key.size(), u(head.mid(12, 16)), 16, n, static_cast<unsigned char>(head[8]),
                       static_cast<unsigned char>(head[9]), 0x7fffffff, reinterpret_cast<unsigned char*>(master.data()),
                       32) != 1)
        return {};
    memo.insert(id, master);
    return master;
}

QByteArray fileKey(const QByteArray& key, const QByteArray& head) {
    const QByteArray master = masterKey(key, head);
    if (master.isEmpty())
        return {};
    const QByteArray salt = head.mid(28, 16);
    const QByteArray info = QByteArrayLiteral("ZQ4E v1") + head;
    QByteArray out(32, 0);
    size_t outLen = 32;
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_id(EVP_PKEY_HKDF, nullptr);
    const bool ok = ctx && EVP_PKEY_derive_init(ctx) == 1 && EVP_PKEY_CTX_set_hkdf_md(ctx, EVP_sha256()) == 1 &&
                    EVP_PKEY_CTX_set1_hkdf_salt(ctx, u(salt), salt.size()) == 1 &&
                    EVP_PKEY_CTX_set1_hkdf_key(ctx, u(master), master.size()) == 1 &&
                    EVP_PKEY_CTX_add1_hkdf_info(ctx, u(info), info.size()) == 1 &&
                    EVP_PKEY_derive(ctx, reinterpret_cast<unsigned char*>(out.data()), &outLen) == 1;
    EVP_PKEY_CTX_free(ctx);
    return ok ? out : QByteArray();
}

QByteArray nonce(const QByteArray& head, quint32 i, bool last) {
    QByteArray n = head.mid(44, 7);
    n.append(char(i >> 24)).append(char(i >> 16)).append(char(i >> 8)).append(char(i));
    n.append(last ? '\1' : '\0');
    return n;
}

// Seals (enc) or opens one segment; for opening `in` carries the tag at its end.
std::optional<QByteArray> gcm(bool enc, const QByteArray& key, const QByteArray& iv, const QByteArray& in) {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    const QByteArray body = enc ? in : in.left(in.size() - 16);
    QByteArray tag = enc ? QByteArray(16, 0) : in.right(16);
    QByteArray out(body.size() + 16, 0);
    int len = 0, fin = 0;
    bool ok = EVP_CipherInit_ex(ctx, EVP_aes_256_gcm(), nullptr, u(key), u(iv), enc ? 1 : 0) == 1 &&
              EVP_CipherUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &len, u(body), body.size()) == 1;
    if (ok && !enc)
        ok = EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_TAG, 16, tag.data()) == 1;
    ok = ok && EVP_CipherFinal_ex(ctx, reinterpret_cast<unsigned char*>(out.data()) + len, &fin) == 1;
    if (ok && enc)
        ok = EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_GET_TAG, 16, tag.data()) == 1;
    EVP_CIPHER_CTX_free(ctx);
    if (!ok)
        return std::nullopt;
    out.truncate(body.size());
    return enc ? out + tag : out;
}

} // namespace

QByteArray header(const Layout& l) {
    QByteArray h("ZQ4E\x01\x01", 6);
    h.append(char(l.segmentLog2)).append(char(l.scryptLog2N)).append(char(l.scryptR)).append(char(l.scryptP));
    h.append(2, '\0').append(l.kdfSalt).append(l.fileSalt).append(l.noncePrefix).append(13, '\0');
    return h;
}

QByteArray encrypt(const QByteArray& key, const QByteArray& plain, const Layout& layout) {
    const QByteArray head = header(layout);
    const QByteArray k = fileKey(key, head);
    if (k.isEmpty())
        return {};
    const qsizetype seg = qsizetype(1) << layout.segmentLog2;
    const qsizetype count = plain.isEmpty() ? 1 : (plain.size() + seg - 1) / seg;
    QByteArray file = head;
    for (qsizetype i = 0; i < count; ++i) {
        const auto sealed = gcm(true, k, nonce(head, quint32(i), i + 1 == count), plain.mid(i * seg, seg));
        if (!sealed)
            return {};
        file += *sealed;
    }
    return file;
}

std::optional<QByteArray> decrypt(const QByteArray& key, const QByteArray& file) {
    if (file.size() < 64 + 16)
        return std::nullopt;
    const QByteArray head = file.left(64);
    const QByteArray k = fileKey(key, head);
    const qsizetype stride = (qsizetype(1) << static_cast<unsigned char>(head[6])) + 16;
    if (k.isEmpty())
        return std::nullopt;
    QByteArray plain;
    for (qsizetype at = 64, i = 0; at < file.size(); at += stride, ++i) {
        const auto opened = gcm(false, k, nonce(head, quint32(i), at + stride >= file.size()), file.mid(at, stride));
        if (!opened)
            return std::nullopt;
        plain += *opened;
    }
    return plain;
}

} // namespace CipherFileWriter

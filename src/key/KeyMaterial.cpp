#include "key/KeyMaterial.h"

#include "platform/engine/SecretBytes.h"

#include <openssl/crypto.h>

namespace KeyMaterial {

namespace {
// capacity() is 0 for data the array merely points at (literals, fromRawData); such data is not ours to
// write. A non-zero capacity means a heap buffer, which may be written even while shared.
template <typename Array> bool ownsHeapBuffer(const Array& a) {
    return a.capacity() >= a.size();
}
} // namespace

void wipe(QByteArray& bytes) {
    if (bytes.isEmpty())
        return;
    if (ownsHeapBuffer(bytes))
        OPENSSL_cleanse(const_cast<char*>(bytes.constData()), static_cast<size_t>(bytes.size()));
    else
        bytes = QByteArray(bytes.size(), '\0');
}

void wipe(QString& text) {
    if (text.isEmpty())
        return;
    if (ownsHeapBuffer(text))
        OPENSSL_cleanse(const_cast<QChar*>(text.constData()), static_cast<size_t>(text.size()) * sizeof(QChar));
    else
        text = QString(text.size(), QChar(0));
}

void replace(QByteArray& field, QByteArray value) {
    if (field.isDetached())
        wipe(field);
    // A value still shared with the caller, or pointing at foreign data, is copied so the field owns it.
    if (!value.isEmpty() && (!value.isDetached() || !ownsHeapBuffer(value)))
        value = QByteArray(value.constData(), value.size());
    field = std::move(value);
    if (!field.isEmpty())
        zq4e::protectPages(field.constData(), std::size_t(field.capacity()));
}

} // namespace KeyMaterial

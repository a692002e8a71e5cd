#pragma once

#include <QByteArray>
#include <QString>

// Key material must not linger in freed memory. These helpers overwrite the buffer that actually held the
// key (never a detached copy) and keep every key field the sole owner of its buffer.
namespace KeyMaterial {

// Overwrites the bytes in place with zeros; the size stays. A buffer shared with other byte arrays is wiped
// for all of them: they hold the same key. Data the array does not own (literals, raw data) cannot be
// written; the array then gets a fresh zero-filled buffer of the same size.
void wipe(QByteArray& bytes);
void wipe(QString& text);

// Replaces a key field: its old buffer is wiped first unless someone else still shares it, and the field
// ends up with a buffer of its own, so a later wipe cannot reach anything but key material. That buffer is
// kept out of core dumps and locked in memory where the system allows (SecretBytes.h, protectPages).
void replace(QByteArray& field, QByteArray value);

} // namespace KeyMaterial

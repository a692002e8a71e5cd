#pragma once

#include <QByteArray>

// MD5 (RFC 1321) of key text.
namespace md5 {

// Digest of the first n bytes of text (all of it when n exceeds its length; none when n is negative):
// 16 bytes in MD5 output order.
QByteArray MD5Digest(const QByteArray& text, qint64 n);

} // namespace md5

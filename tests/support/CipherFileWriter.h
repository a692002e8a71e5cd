#pragma once

#include <QByteArray>
#include <optional>

// A second, deliberately plain implementation of the encrypted file format, written from the format's
// description rather than from the engine, so the tests can craft files (cheap scrypt costs, odd segment
// sizes, damaged headers) and check that the engine writes exactly that format.
namespace CipherFileWriter {

struct Layout {
    int segmentLog2 = 16;
    int scryptLog2N = 10;
    int scryptR = 1;
    int scryptP = 1;
    QByteArray kdfSalt = QByteArray(16, '\x11');
    QByteArray fileSalt = QByteArray(16, '\x22');
    QByteArray noncePrefix = QByteArray(7, '\x33');
};

QByteArray header(const Layout& layout);
// The whole file for `plain`; empty on a library failure.
QByteArray encrypt(const QByteArray& key, const QByteArray& plain, const Layout& layout = {});
// The plaintext, or nothing when any part fails to check (header fields are read, not validated).
std::optional<QByteArray> decrypt(const QByteArray& key, const QByteArray& file);

} // namespace CipherFileWriter

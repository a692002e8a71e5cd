// Feeds arbitrary bytes to the decryptor as an encrypted file.
// The first byte picks how the file is made:
//   even: the remaining bytes are the file itself (valid but costly scrypt settings are made cheap);
//   odd:  a valid file is made of the remaining bytes as plaintext, then damaged as the next bytes say.
// Besides not crashing, the decryptor must never produce plaintext that was not encrypted: a success gives
// back exactly the plaintext, a partial result a prefix of it, and every other failure no output file.

#include "../tests/support/CipherFileWriter.h"
#include "platform/engine/Engine.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

const QByteArray kKey = QByteArrayLiteral("FUZZING-KEY-FUZZING-KEY-FUZZING-KEY-FUZZING-KEY-FUZZING-KEY-0123");
QString g_in, g_out;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Keeps scrypt cheap without touching values the reader must refuse anyway.
void cheapen(QByteArray& file) {
    if (file.size() < 10)
        return;
    auto b = [&](int i) { return static_cast<unsigned char>(file[i]); };
    if (b(7) > 12 && b(7) <= 22)
        file[7] = char(10 + b(7) % 3);
    if (b(8) > 2 && b(8) <= 32)
        file[8] = char(1 + b(8) % 2);
    if (b(9) > 2 && b(9) <= 16)
        file[9] = char(1 + b(9) % 2);
}

std::uint32_t param(const std::uint8_t* d) { return std::uint32_t(d[0]) | std::uint32_t(d[1]) << 8 | d[2] << 16; }

QByteArray damaged(QByteArray file, std::uint8_t op, std::uint32_t p, qsizetype stride) {
    const qsizetype segments = (file.size() - 64 + stride - 1) / stride;
    switch (op % 6) {
    case 1:
        file.truncate(qsizetype(p) % (file.size() + 1));
        break;
    case 2: {
        const qsizetype at = qsizetype(p) % file.size();
        file[at] = char(file[at] ^ (1 << (p >> 20 & 7)));
        break;
    }
    case 3:
        file.append(QByteArray(qsizetype(p % 300), char(p >> 16)));
        break;
    case 4:
        if (segments >= 2) {
            const qsizetype i = qsizetype(p) % (segments - 1);
            const QByteArray a = file.mid(64 + i * stride, stride), b = file.mid(64 + (i + 1) * stride, stride);
            file = file.left(64 + i * stride) + b + a + file.mid(64 + i * stride + a.size() + b.size());
        }
        break;
    case 5:
        if (segments >= 1)
            file.remove(64 + (qsizetype(p) % segments) * stride, stride);
        break;
    default:
        break;
    }
    return file;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char dir[] = "/tmp/fuzz_decrypt_XXXXXX";
    if (!::mkdtemp(dir) || !zq4e::allocate_buffers())
        std::abort();
    zq4e::set_sync_output(false);
    g_in = QString::fromLatin1(dir) + "/in";
    g_out = QString::fromLatin1(dir) + "/out";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const bool crafted = data[0] & 1;
    QByteArray file;
    QByteArray plain;
    if (!crafted) {
        file = QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
        cheapen(file);
    } else {
        if (size < 5)
            return 0;
        plain = QByteArray(reinterpret_cast<const char*>(data + 5), qsizetype(size - 5));
        CipherFileWriter::Layout layout;
        layout.segmentLog2 = 12;
        file = CipherFileWriter::encrypt(kKey, plain, layout);
        check(!file.isEmpty(), "cannot craft a file");
        file = damaged(file, data[1], param(data + 2), 4096 + 16);
    }
    check(writeAll(g_in, file), "cannot write the input");
    ::unlink(QFile::encodeName(g_out).constData());
    zq4e::operation_initialization(kKey, 0, file.size(), 0);
    const int rc = zq4e::decrypt_file(g_in, g_out);
    const bool outExists = QFile::exists(g_out);
    const bool partialCode = rc == -16 || rc == -17 || rc == -18 || (rc <= -21 && rc >= -29);
    check(rc == 0 || rc == -8 || partialCode, "unexpected result code");
    check(rc != 0 || outExists, "success without output");
    check(rc != -8 || !outExists, "refused file left output");
    check(readAll(g_in) == file, "input changed");
    if (crafted && data[1] % 6 == 0)
        check(rc == 0, "an undamaged file failed");
    if (crafted && outExists) {
        const QByteArray out = readAll(g_out);
        if (rc == 0)
            check(out == plain, "success with other plaintext");

        else
            check(out.size() > 0 && plain.startsWith(out), "partial output is not a prefix of the plaintext");
    }
    return 0;
}

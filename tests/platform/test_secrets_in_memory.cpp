// No key-derived secret may outlive its use: the process's writable memory is searched for the key, the master
// key, the HKDF intermediate key and the file key after a file, after the key is erased and after the engine's
// buffers are released.
#include "platform/engine/Engine.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QtTest>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <cstring>
#include <fstream>
#include <sstream>

using namespace zq4e;

namespace {

constexpr unsigned char kMask = 0xA5;

// A secret kept only masked, so that the search does not find the test's own copy.
struct Needle {
    const char* name;
    QByteArray masked;
};

Needle masked(const char* name, unsigned char* bytes, std::size_t size) {
    QByteArray m(reinterpret_cast<const char*>(bytes), qsizetype(size));
    for (char& c : m)
        c = char(c ^ kMask);
    OPENSSL_cleanse(bytes, size);
    return {name, m};
}

// Where in the process's writable mappings the secret occurs (unmasked), if anywhere.
bool foundInMemory(const Needle& n) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    const auto* pattern = reinterpret_cast<const unsigned char*>(n.masked.constData());
    const std::size_t len = std::size_t(n.masked.size());
    const unsigned char first = pattern[0] ^ kMask;
    while (std::getline(maps, line)) {
        std::istringstream in(line);
        std::string range, perms;
        in >> range >> perms;
        if (perms.size() < 2 || perms[0] != 'r' || perms[1] != 'w')
            continue;
        if (line.find("[vvar]") != std::string::npos || line.find("[vsyscall]") != std::string::npos)
            continue;
        const auto dash = range.find('-');
        const auto* begin = reinterpret_cast<const unsigned char*>(std::stoull(range.substr(0, dash), nullptr, 16));
        const auto* end = reinterpret_cast<const unsigned char*>(std::stoull(range.substr(dash + 1), nullptr, 16));
        for (const unsigned char* p = begin; p + len <= end; ++p) {
            p = static_cast<const unsigned char*>(std::memchr(p, first, std::size_t(end - p)));
            if (!p || p + len > end)
                break;
            std::size_t j = 1;
            while (j < len && (p[j] ^ kMask) == pattern[j])
                ++j;
            if (j == len)
                return true;
        }
    }
    return false;
}

} // namespace

class TestSecretsInMemory : public QObject {
    Q_OBJECT

    QTemporaryDir m_home, m_dir;
    QList<Needle> m_secrets; // key, master key, intermediate key, file key

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        QVERIFY(allocate_buffers() != 0);
        set_sync_output(false);

        unsigned char key[64];
        const QByteArray pattern = TestSupport::pseudoRandomBytes(64, 77);
        std::memcpy(key, pattern.constData(), sizeof key);
        {
            QByteArray k(reinterpret_cast<const char*>(key), sizeof key);
            operation_initialization(k, 1, 0, 0);
            OPENSSL_cleanse(k.data(), std::size_t(k.size()));
        }
        // Longer than one batch, so that the second thread's cipher holds the file key too.
        QVERIFY(TestSupport::writeFile(m_dir.filePath("plain"), TestSupport::pseudoRandomBytes(5 << 20, 78)));
        QCOMPARE(encrypt_file(m_dir.filePath("plain"), m_dir.filePath("cipher")), 0);

        // The derivation, from the file's header, as the format describes it.
        const QByteArray header = TestSupport::readFile(m_dir.filePath("cipher")).left(64);
        const auto* h = reinterpret_cast<const unsigned char*>(header.constData());
        unsigned char master[32], prk[32], fileKey[32];
        QCOMPARE(EVP_PBE_scrypt(reinterpret_cast<const char*>(key), sizeof key, h + 12, 16, 1ull << h[7], h[8], h[9],
                                512ull << 20, master, sizeof master),
                 1);
        unsigned int len = 0;
        QVERIFY(HMAC(EVP_sha256(), h + 28, 16, master, sizeof master, prk, &len));
        QByteArray info = QByteArrayLiteral("ZQ4E v1") + header + '\x01';
        QVERIFY(HMAC(EVP_sha256(), prk, sizeof prk, reinterpret_cast<const unsigned char*>(info.constData()),
                     std::size_t(info.size()), fileKey, &len));
        m_secrets = {masked("key", key, sizeof key), masked("master key", master, sizeof master),
                     masked("intermediate key", prk, sizeof prk), masked("file key", fileKey, sizeof fileKey)};
    }

    // The search itself works: a secret the engine holds for the session is found.
    void theSearchFindsWhatIsThere() {
        QVERIFY(foundInMemory(m_secrets[1]));
    }

    void afterAFileItsKeysAreGone() {
        QVERIFY2(!foundInMemory(m_secrets[2]), "intermediate key");
        QVERIFY2(!foundInMemory(m_secrets[3]), "file key");
    }

    void afterErasingNothingIsLeft() {
        erase_key();
        for (const Needle& n : std::as_const(m_secrets))
            QVERIFY2(!foundInMemory(n), n.name);
    }

    void afterReleasingNothingIsLeft() {
        deallocate_buffers();
        for (const Needle& n : std::as_const(m_secrets))
            QVERIFY2(!foundInMemory(n), n.name);
    }
};

QTEST_GUILESS_MAIN(TestSecretsInMemory)
#include "test_secrets_in_memory.moc"

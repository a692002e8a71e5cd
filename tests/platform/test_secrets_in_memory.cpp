// No key-derived secret may outlive its use: the process's writable memory is searched for the key, the master
// key, the HKDF intermediate key and the file key after a file, after the key is erased and after the engine's
// buffers are released; while they are in use, each is held as few times as possible, locked and left out of
// core dumps.
#include "key/KeyMaterial.h"
#include "key/Keyfile.h"
#include "key/frmKeyFrom.h"
#include "platform/engine/Engine.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QtTest>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

using namespace zq4e;

namespace {

constexpr unsigned char kMask = 0xA5;

// An ordinary user's limit on locked memory may be too small for the secrets' pages (root has none).
bool lockMayBeRefused() {
    rlimit limit{};
    return ::geteuid() != 0 && (::getrlimit(RLIMIT_MEMLOCK, &limit) != 0 ||
                                (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < (4u << 20)));
}

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

// Where in the process's writable mappings the secret occurs (unmasked). Nothing is allocated while it looks, so
// that the search cannot overwrite a freed copy it is looking for.
QList<quintptr> occurrences(const Needle& n) {
    static char maps[1 << 20];
    static quintptr found[256];
    std::size_t count = 0, length = 0;
    const int fd = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    for (ssize_t got;
         fd >= 0 && length < sizeof maps - 1 && (got = ::read(fd, maps + length, sizeof maps - 1 - length)) > 0;)
        length += std::size_t(got);
    if (fd >= 0)
        ::close(fd);
    maps[length] = '\0';
    const auto* pattern = reinterpret_cast<const unsigned char*>(n.masked.constData());
    const std::size_t len = std::size_t(n.masked.size());
    const unsigned char first = pattern[0] ^ kMask;
    for (char* line = maps; line && *line;) {
        char* next = std::strchr(line, '\n');
        if (next)
            *next++ = '\0';
        unsigned long long from = 0, to = 0;
        char perms[5] = {};
        const bool writable = std::sscanf(line, "%llx-%llx %4s", &from, &to, perms) == 3 && perms[0] == 'r' &&
                              perms[1] == 'w' && !std::strstr(line, "[vvar]") && !std::strstr(line, "[vsyscall]");
        line = next;
        if (!writable)
            continue;
        const auto* begin = reinterpret_cast<const unsigned char*>(from);
        const auto* end = reinterpret_cast<const unsigned char*>(to);
        for (const unsigned char* p = begin; p + len <= end; ++p) {
            p = static_cast<const unsigned char*>(std::memchr(p, first, std::size_t(end - p)));
            if (!p || p + len > end)
                break;
            std::size_t j = 1;
            while (j < len && (p[j] ^ kMask) == pattern[j])
                ++j;
            if (j == len && count < std::size(found))
                found[count++] = quintptr(p);
        }
    }
    return QList<quintptr>(found, found + count);
}
bool foundInMemory(const Needle& n) {
    return !occurrences(n).isEmpty();
}

// The kernel's flags of the mapping that holds the address: "lo" locked, "dd" left out of core dumps.
QString mappingFlags(quintptr address) {
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        const auto dash = line.find('-');
        const auto space = line.find(' ');
        if (dash != std::string::npos && space != std::string::npos && dash < space &&
            line.find_first_not_of("0123456789abcdef") == dash) {
            inside = std::stoull(line.substr(0, dash), nullptr, 16) <= address &&
                     address < std::stoull(line.substr(dash + 1, space - dash - 1), nullptr, 16);
        } else if (inside && line.rfind("VmFlags:", 0) == 0) {
            return QString::fromStdString(line);
        }
    }
    return {};
}

// Each copy of the secret is locked in memory and left out of core dumps; how many there are.
int lockedCopies(const Needle& n) {
    const QList<quintptr> at = occurrences(n);
    for (const quintptr a : at) {
        const QString flags = mappingFlags(a);
        if (!flags.contains(QStringLiteral(" lo")) || !flags.contains(QStringLiteral(" dd")))
            return -1;
    }
    return int(at.size());
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
    void theSearchFindsWhatIsThere() { QVERIFY(foundInMemory(m_secrets[1])); }

    // While the session lasts the engine holds the key and the master key once each, in pages that are locked
    // (never swapped out) and left out of core dumps.
    void theEngineHoldsOneProtectedCopy() {
        if (lockMayBeRefused())
            QSKIP("The limit on locked memory of this user may refuse the lock.");
        QCOMPARE(lockedCopies(m_secrets[0]), 1);
        QCOMPARE(lockedCopies(m_secrets[1]), 1);
    }

    // A keyfile is read straight into the key: no buffer keeps a copy, and the key's own pages are protected.
    void aKeyfileLeavesNoCopy() {
        if (lockMayBeRefused())
            QSKIP("The limit on locked memory of this user may refuse the lock.");
        QByteArray pattern = TestSupport::pseudoRandomBytes(64, 79);
        unsigned char bytes[64];
        std::memcpy(bytes, pattern.constData(), sizeof bytes);
        OPENSSL_cleanse(pattern.data(), std::size_t(pattern.size()));
        const QByteArray path = QFile::encodeName(m_dir.filePath("keyfile"));
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, bytes, sizeof bytes), ssize_t(sizeof bytes));
        ::close(fd);
        // The key's tail: the head of a freed buffer is overwritten by the allocator's own bookkeeping.
        const Needle tail = masked("keyfile key", bytes + 32, 32);
        OPENSSL_cleanse(bytes, sizeof bytes);
        QByteArray key;
        QString error;
        QVERIFY(Keyfile::readKeyBytes(m_dir.filePath("keyfile"), key, error));
        QCOMPARE(lockedCopies(tail), 1);
        KeyMaterial::wipe(key);
        QVERIFY(!foundInMemory(tail));
    }

    // A typed key, once reduced and checksummed, is held by the key object alone: the checksum's digest keeps
    // no copy.
    void aTypedKeyIsHeldOnce() {
        if (lockMayBeRefused())
            QSKIP("The limit on locked memory of this user may refuse the lock.");
        char reducedForm[] = "CORRECTHORSEBATTERYSTAPLE";
        const Needle reduced = masked("reduced key", reinterpret_cast<unsigned char*>(reducedForm), 25);
        frmKeyFrom key;
        QByteArray typed("correct horse battery staple");
        KeyMaterial::replace(key.strKey, key.ReducedKey(typed));
        key.intKeyChecksum = key.KeyChecksum(key.strKey);
        QCOMPARE(lockedCopies(reduced), 1);
        KeyMaterial::wipe(key.strKey);
        QVERIFY(!foundInMemory(reduced));
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

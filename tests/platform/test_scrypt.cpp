// The derivation of master keys gives the crypto library's scrypt byte for byte, whoever computes it.
#include "platform/engine/Scrypt.h"

#include <QtTest>

#include <openssl/evp.h>

#include <optional>
#include <sys/resource.h>
#include <unistd.h>

using namespace zq4e;

namespace {

// Holds the process's address space to what it maps now and `headroom` more, until it goes.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(std::size_t headroom) {
        ::getrlimit(RLIMIT_AS, &m_saved);
        QFile statm(QStringLiteral("/proc/self/statm"));
        const long pages = statm.open(QIODevice::ReadOnly) ? statm.readAll().split(' ').value(0).toLong() : 0;
        rlimit limited = m_saved;
        limited.rlim_cur = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + headroom;
        m_set = pages > 0 && ::setrlimit(RLIMIT_AS, &limited) == 0;
    }
    ~AddressSpaceLimit() {
        if (m_set)
            ::setrlimit(RLIMIT_AS, &m_saved);
    }
    bool set() const { return m_set; }

private:
    rlimit m_saved{};
    bool m_set = false;
};

} // namespace

class TestScrypt : public QObject {
    Q_OBJECT

private slots:
    void everyCoreGivesTheLibrarysBytes_data() {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("salt");
        QTest::addColumn<int>("log2N");
        QTest::addColumn<int>("r");
        QTest::addColumn<int>("p");
        QTest::addColumn<int>("outLen");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("starved"); // the 128 * r * N bytes cannot be had

        QByteArray zeros(64, '\0');
        for (int i = 0; i < 64; i += 3)
            zeros[i] = char(0x80 + i);
        const QByteArray salt16 = QByteArray::fromHex("00112233445566778899aabbccddeeff");
        // The published vectors of the function.
        QTest::newRow("empty key and salt, N=16 r=1") << QByteArray() << QByteArray() << 4 << 1 << 1 << 64 << true << false;
        QTest::newRow("N=1024 r=8 p=16") << QByteArray("password") << QByteArray("NaCl") << 10 << 8 << 16 << 64
                                         << true << false;
        QTest::newRow("N=16384 r=8") << QByteArray("pleaseletmein") << QByteArray("SodiumChloride") << 14 << 8 << 1
                                     << 64 << true << false;
        // The costs every file is written with, and a key of 64 bytes as the engine holds one.
        QTest::newRow("format's costs") << zeros << salt16 << 17 << 8 << 1 << 32 << true << false;
        // A key with zero bytes, the first among them: its length counts, not its first zero.
        QTest::newRow("zero bytes in the key") << zeros << salt16 << 10 << 2 << 1 << 64 << true << false;
        // Block sizes the vector code does not see in the format: one, odd, the largest a header may ask.
        QTest::newRow("r=1") << QByteArray("k") << salt16 << 10 << 1 << 1 << 32 << true << false;
        QTest::newRow("r=3 p=2") << QByteArray("k") << salt16 << 10 << 3 << 2 << 32 << true << false;
        QTest::newRow("r=32 p=3") << QByteArray("k") << salt16 << 10 << 32 << 3 << 32 << true << false;
        QTest::newRow("r=5 p=5, 33 bytes out") << zeros << salt16 << 11 << 5 << 5 << 33 << true << false;
        // N must stay below 2^(16 r): both refuse the first, both take the second.
        QTest::newRow("r=1 N=2^16 refused") << QByteArray("k") << salt16 << 16 << 1 << 1 << 32 << false << false;
        QTest::newRow("r=1 N=2^15") << QByteArray("k") << salt16 << 15 << 1 << 1 << 32 << true << false;
        // No memory for the format's 128 MiB: a refusal, not a crash.
        QTest::newRow("no memory") << zeros << salt16 << 17 << 8 << 1 << 32 << false << true;
    }

    // Each core this processor has (both vector variants where it has AVX-512, and the library's own, which is
    // what any other processor uses) against the library's function called directly.
    void everyCoreGivesTheLibrarysBytes() {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, salt);
        QFETCH(int, log2N);
        QFETCH(int, r);
        QFETCH(int, p);
        QFETCH(int, outLen);
        QFETCH(bool, accepted);
        QFETCH(bool, starved);
        std::optional<AddressSpaceLimit> limit;
        if (starved)
            QVERIFY(limit.emplace(std::size_t(32) << 20).set());

        const auto* s = reinterpret_cast<const unsigned char*>(salt.constData());
        QByteArray expected(outLen, '\0');
        QCOMPARE(EVP_PBE_scrypt(key.constData(), std::size_t(key.size()), s, std::size_t(salt.size()),
                                std::uint64_t(1) << log2N, std::uint64_t(r), std::uint64_t(p), 1ull << 30,
                                reinterpret_cast<unsigned char*>(expected.data()), std::size_t(outLen)) == 1,
                 accepted);

        int compared = 0;
        for (const ScryptCore core : {ScryptCore::Fastest, ScryptCore::Sse2, ScryptCore::Avx512, ScryptCore::Library}) {
            if (!scryptCoreAvailable(core))
                continue;
            QByteArray got(outLen, '\x5a');
            int readyCalls = 0;
            ScryptControl control;
            control.ready = [&] { ++readyCalls; };
            const auto derive = [&] {
                return scrypt(key.constData(), std::size_t(key.size()), s, std::size_t(salt.size()), unsigned(log2N),
                              unsigned(r), unsigned(p), reinterpret_cast<std::uint8_t*>(got.data()),
                              std::size_t(outLen), core, &control);
            };
            QCOMPARE(derive(), accepted);
            if (accepted)
                QCOMPARE(got.toHex(), expected.toHex());
            QCOMPARE(readyCalls, accepted ? 1 : 0); // the result is told of once, and only a result
            // Abandoned, our cores end without a result; the library's runs to its end.
            if (log2N <= 11) {
                const bool ours = core != ScryptCore::Library && scryptCoreAvailable(ScryptCore::Sse2);
                const std::atomic<bool> abandon{true};
                control.abandon = &abandon;
                QCOMPARE(derive(), accepted && !ours);
                QCOMPARE(readyCalls, accepted ? (ours ? 1 : 2) : 0);
            }
            ++compared;
        }
#if defined(__x86_64__)
        QVERIFY(scryptCoreAvailable(ScryptCore::Sse2));
        QVERIFY(compared >= 3);
#endif
    }
};

QTEST_GUILESS_MAIN(TestScrypt)
#include "test_scrypt.moc"

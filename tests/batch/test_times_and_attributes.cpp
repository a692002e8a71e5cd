// A round trip gives a file its modification time back, whichever way it goes: to new files or in place, small
// files (made final in groups) and large ones (each on its own). An encrypted file carries none of the
// plaintext's user attributes (a download's origin, a comment); in place, a result keeps its original's access
// control list.
#include "support/RunHarness.h"

#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace {
QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}
struct timespec modified(const QString& path) {
    struct stat st {};
    ::stat(native(path).constData(), &st);
    return st.st_mtim;
}
bool sameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}
// An access control list letting one more user read the file: user rw, user 65534 r, group r, mask r, others none.
QByteArray oneMoreReader() {
    QByteArray list;
    const auto u32 = [&list](quint32 v) { list.append(reinterpret_cast<const char*>(&v), 4); };
    const auto entry = [&](quint16 tag, quint16 perm, quint32 id) {
        list.append(reinterpret_cast<const char*>(&tag), 2);
        list.append(reinterpret_cast<const char*>(&perm), 2);
        u32(id);
    };
    u32(2);
    entry(0x01, 6, 0xffffffff);
    entry(0x02, 4, 65534);
    entry(0x04, 4, 0xffffffff);
    entry(0x10, 4, 0xffffffff);
    entry(0x20, 0, 0xffffffff);
    return list;
}
QByteArray accessList(const QString& path) {
    char list[1024];
    const ssize_t n = ::getxattr(native(path).constData(), "system.posix_acl_access", list, sizeof list);
    return n > 0 ? QByteArray(list, n) : QByteArray();
}
QByteArray attributeNames(const QString& path) {
    char names[4096];
    const ssize_t n = ::listxattr(native(path).constData(), names, sizeof names);
    return n > 0 ? QByteArray(names, n) : QByteArray();
}
} // namespace

class TestTimesAndAttributes : public QObject {
    Q_OBJECT
    RunHarness h;

private slots:
    void initTestCase() { QVERIFY(h.start()); }
    void cleanupTestCase() { h.stop(); }

    void roundTripKeepsTheModificationTime_data() {
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<int>("size");
        QTest::newRow("new files, small") << false << 1000;
        QTest::newRow("new files, large") << false << (5 << 20);
        QTest::newRow("in place, small") << true << 1000;
        QTest::newRow("in place, large") << true << (5 << 20);
    }
    void roundTripKeepsTheModificationTime() {
        QFETCH(bool, inPlace);
        QFETCH(int, size);
        const QString d = h.newFolder();
        const QByteArray plain = TestSupport::pseudoRandomBytes(size, 5);
        QVERIFY(TestSupport::writeFile(d + "a.txt", plain));
        const struct timespec then[2] = {{981158400, 123456789}, {981173045, 987654321}};
        QCOMPARE(::utimensat(AT_FDCWD, native(d + "a.txt").constData(), then, 0), 0);
        const bool tagged =
            ::setxattr(native(d + "a.txt").constData(), "user.xdg.origin.url", "https://example.org/a", 21, 0) == 0;
        // In place, whoever the user let read the file may read its result, and no one else, however large it is.
        const QByteArray acl = oneMoreReader();
        const bool listed = inPlace && ::setxattr(native(d + "a.txt").constData(), "system.posix_acl_access",
                                                  acl.constData(), std::size_t(acl.size()), 0) == 0;

        const QString enc = inPlace ? d + "a.txt" : d + "a.enc";
        const QString back = inPlace ? d + "a.txt" : h.newFolder() + "a.txt";
        h.process(d, "a.txt", d, inPlace ? "a.txt" : "a.enc", true);
        QVERIFY2(h.run->intFilesProcessed == 1, qPrintable(h.report()));
        QVERIFY(sameTime(modified(enc), then[1]));
        if (tagged)
            QVERIFY(!attributeNames(enc).contains("user."));
        if (listed)
            QCOMPARE(accessList(enc), acl);
        h.process(d, inPlace ? "a.txt" : "a.enc", QFileInfo(back).path() + '/', "a.txt", false);
        QVERIFY2(h.run->intFilesProcessed == 1, qPrintable(h.report()));
        QCOMPARE(TestSupport::readFile(back), plain);
        QVERIFY(sameTime(modified(back), then[1]));
        if (listed)
            QCOMPARE(accessList(back), acl);
    }
};

QTEST_GUILESS_MAIN(TestTimesAndAttributes)
#include "test_times_and_attributes.moc"

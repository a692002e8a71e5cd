// A key derivation that is not cached yet never runs on the calling (window's) thread, however small the file:
// a crafted header may ask for seconds of work.
#include "batch/WorkerCall.h"
#include "platform/engine/Engine.h"
#include "support/CipherFileWriter.h"
#include "support/TestSupport.h"

#include <QThread>
#include <QtTest>

class TestWorkerCall : public QObject {
    Q_OBJECT
    QTemporaryDir m_home, m_dir;

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        QVERIFY(zq4e::allocate_buffers() != 0);
        zq4e::set_sync_output(false);
    }
    void cleanupTestCase() { zq4e::deallocate_buffers(); }

    void derivationGoesToAWorker_data() {
        QTest::addColumn<bool>("encrypt");
        QTest::addColumn<bool>("verify");
        QTest::newRow("decrypting a file with a salt of its own") << false << false;
        QTest::newRow("encrypting under a new key") << true << false;
        QTest::newRow("checking a result against its original") << false << true;
    }
    void derivationGoesToAWorker() {
        QFETCH(bool, encrypt);
        QFETCH(bool, verify);
        const QByteArray key = QByteArray(encrypt  ? "a key used for encrypting, "
                                          : verify ? "a key used for checking, "
                                                   : "a key used for decrypting, ")
                                   .repeated(3)
                                   .left(64);
        const QString in = m_dir.filePath(encrypt ? "plain" : "cipher"), out = m_dir.filePath("out");
        QVERIFY(TestSupport::writeFile(in, encrypt ? QByteArray("small") : CipherFileWriter::encrypt(key, "small")));
        QVERIFY(TestSupport::writeFile(m_dir.filePath("original"), "small"));
        QThread* ranOn = nullptr;
        const auto job = [&](bool mayDerive) {
            ranOn = QThread::currentThread();
            QFile::remove(out);
            zq4e::operation_initialization(key, encrypt, 5, 0);
            if (verify)
                return zq4e::verify_file(in, m_dir.filePath("original"), mayDerive);
            zq4e::FileOptions options = zq4e::default_file_options();
            options.mayDerive = mayDerive;
            return (encrypt ? zq4e::encrypt_file(in, out, options) : zq4e::decrypt_file(in, out, options)).code;
        };
        QCOMPARE(WorkerCall::run(5, job), 0);
        QVERIFY(ranOn != QThread::currentThread());
        // Derived once, the key is cached: the next small file runs here.
        QCOMPARE(WorkerCall::run(5, job), 0);
        QCOMPARE(ranOn, QThread::currentThread());
    }
};

QTEST_GUILESS_MAIN(TestWorkerCall)
#include "test_workercall.moc"

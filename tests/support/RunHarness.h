#pragma once

// A batch run over real folders without a window: the operation's setup, the key and the run itself, for suites
// that look at what a run leaves on disk.
#include "batch/BatchRun.h"
#include "batch/OperationSetup.h"
#include "batch/RunContext.h"
#include "key/frmKeyFrom.h"
#include "platform/engine/Engine.h"
#include "platform/os/MessageBox.h"
#include "support/TestSupport.h"

#include <QDir>

#include <memory>

struct RunHarness {
    inline static const QByteArray kKey = QByteArray("RUN-HARNESS-KEY-").repeated(4);

    QTemporaryDir home;
    OperationSetup setup;
    frmKeyFrom key;
    std::unique_ptr<RunContext> ctx;
    std::unique_ptr<BatchRun> run;

    // Call from initTestCase().
    bool start() {
        TestSupport::prepareEnvironment(home);
        if (zq4e::allocate_buffers() == 0)
            return false;
        zq4e::set_sync_output(false);
        key.strKey = kKey;
        key.intKeyFrom = frmKeyFrom::FromKeyboard;
        ctx = std::make_unique<RunContext>(setup, key);
        ctx->programFilePath = QDir(home.path()).filePath(QStringLiteral("zq4"));
        run = std::make_unique<BatchRun>(*ctx);
        return TestSupport::writeFile(ctx->programFilePath, "the program");
    }
    void stop() {
        run.reset();
        zq4e::deallocate_buffers();
    }
    QString newFolder() {
        static int n = 0;
        const QString d = QDir(home.path()).filePath(QStringLiteral("f%1/").arg(++n));
        QDir().mkpath(d);
        return d;
    }
    void process(const QString& in, const QString& spec, const QString& out, const QString& outSpec, bool encrypt) {
        MessageBox::reset();
        setup.blnEncrypt = encrypt;
        setup.blnOutputFilesSame = in == out && spec == outSpec;
        run->blnPerformingOperation = true;
        run->blnRandomnessReport = run->blnGettingInputFilesizes = false;
        run->strInputDirpath = in;
        run->strInputFilespec = spec;
        run->strOutputDirpath = out;
        run->strOutputFilespec = outSpec;
        run->ProcessFiles();
    }
    QString report() const { return run->report().text(); }
};

#include "platform/engine/Engine.h"

#include "platform/engine/BatchWorker.h"
#include "platform/engine/CipherHeader.h"
#include "platform/engine/EngineFiles.h"
#include "platform/engine/EngineState.h"
#include "platform/engine/EngineStreams.h"
#include "platform/engine/MasterKeyCache.h"
#include "platform/engine/PlainComparison.h"
#include "platform/engine/SecretBytes.h"
#include "platform/engine/SegmentCipher.h"
#include "platform/os/NativeName.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <functional>
#include <mutex>
#include <openssl/crypto.h>
#include <openssl/rand.h>
#include <unistd.h>
#include <vector>

namespace zq4e {

namespace internal {

EngineState& state() {
    static EngineState s;
    return s;
}

void dropUnnamedOutput(EngineState& s) {
    if (s.unnamedOutput >= 0)
        ::close(s.unnamedOutput);
    s.unnamedOutput = -1;
}

std::atomic<bool> g_cancel{false};
std::atomic<qint64> g_progress{0};
std::atomic<void (*)(qint64)> g_writeHook{nullptr};
std::function<void(qint64)> g_readHook;

} // namespace internal

namespace {

using namespace internal;

// Codes from which the output keeps the authenticated plaintext written so far.
bool keepsPartialOutput(int code) {
    return code <= PartialReadError && code >= -99;
}

} // namespace

void deallocate_buffers() {
    EngineState& s = state();
    std::lock_guard lock(s.mutex);
    s.cache.wipe();
    s.buffer.wipe();
    s.secondBuffer.wipe();
    s.compared.wipe();
    endTheFile(s);
    dropUnnamedOutput(s);
    s.allocated = false;
}

namespace {
bool inMemory(const FileOptions& o) {
    return o.inMemory && !o.name;
}

// What every call does first: the engine ready, the input open and the result's path noted. Ok, or the code.
int begin(EngineState& s, const QString& inputPath, const QString& outputPath, InputFile& in, FileResult& r) {
    r.path = s.lastOutput = outputPath;
    s.lastInputOurs = false;
    if (const int rc = checkReadyForAFile(s))
        return rc;
    return in.open(inputPath);
}

// A complete result takes its name, or stays under its temporary name (or unnamed) for a caller that names many
// at once.
int commitResult(OutputFile& out, const FileOptions& o, FileResult& r) {
    const int rc =
        out.commit(o.sync, o.syncFolder, -1, o.name ? OutputFile::Placing::Replace : OutputFile::Placing::Leave);
    if (rc == Ok) {
        r.path = NativeName::decode(out.path());
        r.unnamed = out.releaseUnnamed();
        r.bytes = static_cast<long long>(out.written());
    }
    return rc;
}

FileResult finished(EngineState& s, FileResult r) {
    s.lastOutput = r.path;
    r.inputWasOurs = s.lastInputOurs;
    return r;
}

// The engine-wide way of encrypt_file(in, out): the result's descriptor, left unnamed, waits for
// take_unnamed_output().
int keptForTheCaller(FileResult r) {
    locked([&r](EngineState& s) {
        dropUnnamedOutput(s);
        s.unnamedOutput = r.unnamed;
    });
    return r.code;
}
} // namespace

FileOptions default_file_options() {
    return locked([](EngineState& s) { return FileOptions{s.sync, s.syncFolder, s.renameOutput, s.outputInMemory}; });
}

FileResult encrypt_file(const QString& inputPath, const QString& outputPath, const FileOptions& o) {
    EngineState& s = state();
    std::lock_guard lock(s.mutex);
    FileResult r;
    InputFile in;
    if ((r.code = begin(s, inputPath, outputPath, in, r)) != Ok)
        return finished(s, r);
    OutputFile out;
    // A result to a free name has no name until it is complete: a kill leaves nothing under the name.
    const bool direct = qint64(in.info().st_size) < s.directWriteLimit;
    if ((r.code = out.create(outputPath, in.info(),
                             inMemory(o) ? OutputFile::Creation::InMemory
                             : direct    ? OutputFile::Creation::DirectWhenNew
                             : !o.name && o.outputSeenFree ? OutputFile::Creation::Unnamed
                                                           : OutputFile::Creation::UnnamedWhenNew)) != Ok)
        return finished(s, r);
    out.setWriteBehind(s.writeBehind);
    r.code = encryptToFile(s, in, out, o.mayDerive);
    endTheFile(s);
    if (r.code == Ok)
        r.code = commitResult(out, o, r);
    if (r.code != Ok)
        out.discard();
    return finished(s, r);
}

FileResult decrypt_file(const QString& inputPath, const QString& outputPath, const FileOptions& o) {
    EngineState& s = state();
    std::lock_guard lock(s.mutex);
    FileResult r;
    InputFile in;
    if ((r.code = begin(s, inputPath, outputPath, in, r)) != Ok)
        return finished(s, r);
    OutputFile out;
    if ((r.code = out.create(outputPath, in.info(),
                             inMemory(o) ? OutputFile::Creation::InMemory : OutputFile::Creation::ViaTemporary)) != Ok)
        return finished(s, r);
    out.setWriteBehind(s.writeBehind);
    const DecryptOutcome d = decryptToFile(s, in, out, o.mayDerive);
    endTheFile(s);
    s.lastInputOurs = d.ours;
    r.code = d.code;
    if (r.code == Ok) {
        r.code = commitResult(out, o, r);
    } else if (keepsPartialOutput(r.code) && d.committed > 0) {
        // Only whole, authenticated plaintext stays: cut anything a failed write may have left behind.
        // A caller that names results itself (its output names hold complete results only) finds it aside.
        const OutputFile::Placing placing =
            o.name || inMemory(o) ? OutputFile::Placing::BesideExisting : OutputFile::Placing::Aside;
        if (out.commit(o.sync, o.syncFolder, static_cast<long long>(d.committed), placing) != Ok)
            out.discard();
        else
            r.path = NativeName::decode(out.path());
    } else {
        out.discard();
    }
    return finished(s, r);
}

int encrypt_file(const QString& inputPath, const QString& outputPath) {
    return keptForTheCaller(encrypt_file(inputPath, outputPath, default_file_options()));
}

int decrypt_file(const QString& inputPath, const QString& outputPath) {
    return keptForTheCaller(decrypt_file(inputPath, outputPath, default_file_options()));
}

int verify_file(const QString& cipherPath, const QString& plainPath, bool mayDerive) {
    EngineState& s = state();
    std::lock_guard lock(s.mutex);
    if (const int rc = checkReadyForAFile(s))
        return rc;
    InputFile cipher, plain;
    if (const int rc = cipher.open(cipherPath))
        return rc;
    if (const int rc = plain.open(plainPath))
        return rc;
    constexpr std::size_t kCompareChunk = 1u << 20;
    if (s.compared.size() < kCompareChunk) {
        try {
            s.compared = SecretBytes(kCompareChunk);
        } catch (...) {
            return CryptoFailure;
        }
    }
    PlainComparison comparison(plain, s.compared);
    const DecryptOutcome d = decryptToComparison(s, cipher, comparison, mayDerive);
    endTheFile(s);
    if (d.code == WriteError || d.code == PartialWriteError)
        return VerifyMismatch; // the comparison's only failure
    if (d.code != Ok)
        return d.code;
    return comparison.fileEndsHere() ? Ok : VerifyMismatch;
}

} // namespace zq4e

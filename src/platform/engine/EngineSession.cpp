#include "platform/engine/Engine.h"

#include "platform/engine/EngineState.h"

#include <algorithm>
#include <utility>

// The engine's session (its cipher contexts taken, the key set), its switches, its test seams and what it
// tells about the last file: everything of Engine.h that sets or reads the state without working on a file.

namespace zq4e {

using namespace internal;

int allocate_buffers() {
    EngineState& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.cipher.create() || !s.secondCipher.create())
        return 0;
    // The working buffer is taken by the first file, after its key derivation has given back scrypt's memory,
    // so the two never add up.
    s.allocated = true;
    return 1;
}

void operation_initialization(const QByteArray& key, int encrypt, qint64 inputLength, int reserved) {
    Q_UNUSED(encrypt);
    Q_UNUSED(inputLength);
    Q_UNUSED(reserved);
    EngineState& s = state();
    std::lock_guard lock(s.mutex);
    s.cache.use(key.constData(), std::size_t(key.size()));
}

void prepare_encryption(const QByteArray& key) {
    EngineState& s = state();
    std::lock_guard lock(s.mutex);
    s.cache.use(key.constData(), std::size_t(key.size()));
    CipherHeader h; // the costs every encryption writes
    if (s.cache.encryptionSalt(h.kdfSalt))
        s.cache.deriveAhead(h);
}

int key_is_text(const QByteArray& key, int length) {
    qsizetype n = std::clamp<qsizetype>(length, 0, key.size());
    const auto* b = reinterpret_cast<const unsigned char*>(key.constData());
    while (n > 0 && b[n - 1] == 0)
        --n;
    if (n == 0)
        return 0;
    qsizetype high = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char c = b[i];
        if (c >= 160)
            ++high;
        else if (!(c == '\t' || c == '\n' || c == '\r' || (c >= 32 && c <= 126)))
            return 0;
    }
    return high * 4 <= n ? 1 : 0;
}

void erase_key() {
    locked([](EngineState& s) { s.cache.wipe(); });
}

void set_sync_output(bool on) {
    locked([on](EngineState& s) { s.sync = on; });
}

bool sync_output() {
    return locked([](EngineState& s) { return s.sync; });
}

void set_sync_output_folder(bool on) {
    locked([on](EngineState& s) { s.syncFolder = on; });
}

bool sync_output_folder() {
    return locked([](EngineState& s) { return s.syncFolder; });
}

void request_cancel() {
    g_cancel.store(true);
}

void clear_cancel() {
    g_cancel.store(false);
}

bool cancel_requested() {
    return g_cancel.load(std::memory_order_relaxed);
}

qint64 progress_bytes() {
    return g_progress.load(std::memory_order_relaxed);
}

void set_write_behind(bool on) {
    locked([on](EngineState& s) { s.writeBehind = on; });
}

void set_rename_output(bool on) {
    locked([on](EngineState& s) { s.renameOutput = on; });
}

void set_output_in_memory(bool on) {
    locked([on](EngineState& s) { s.outputInMemory = on; });
}

void set_read_hook(std::function<void(qint64)> hook) {
    g_readHook = std::move(hook);
}

bool last_input_was_encrypted() {
    return locked([](EngineState& s) { return s.lastInputOurs; });
}

void set_direct_write_limit(qint64 bytes) {
    locked([bytes](EngineState& s) { s.directWriteLimit = bytes; });
}

qint64 direct_write_limit() {
    return locked([](EngineState& s) { return s.directWriteLimit; });
}

void set_write_hook(void (*hook)(qint64 written)) {
    g_writeHook.store(hook);
}

void written_so_far(qint64 bytes) {
    if (void (*hook)(qint64) = g_writeHook.load(std::memory_order_relaxed))
        hook(bytes);
}

int take_unnamed_output() {
    return locked([](EngineState& s) { return std::exchange(s.unnamedOutput, -1); });
}

QString last_output_path() {
    return locked([](EngineState& s) { return s.lastOutput; });
}

qint64 key_derivations() {
    return MasterKeyCache::derivations();
}

qint64 cached_master_keys() {
    return locked([](EngineState& s) { return qint64(s.cache.size()); });
}

} // namespace zq4e

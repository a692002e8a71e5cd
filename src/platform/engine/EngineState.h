#pragma once

#include "platform/engine/Engine.h"
#include "platform/engine/MasterKeyCache.h"
#include "platform/engine/SecretBytes.h"
#include "platform/engine/SegmentCipher.h"

#include <QString>

#include <atomic>
#include <functional>
#include <mutex>

// What the engine keeps between calls, shared by its cipher work (Engine.cpp) and its settings
// (EngineSession.cpp). Not for callers outside the engine.
namespace zq4e::internal {

struct EngineState {
    std::mutex mutex;
    bool allocated = false;
    bool sync = true;
    bool syncFolder = true;
    bool renameOutput = true;
    bool outputInMemory = false;
    bool writeBehind = true;
    qint64 directWriteLimit = kDefaultDirectWriteLimit;
    int unnamedOutput = -1; // the descriptor of a result left unnamed, until the caller takes it
    MasterKeyCache cache;   // the key in use, held once, and what was derived from it
    SegmentCipher cipher;
    SegmentCipher secondCipher; // the second thread's, for files longer than one batch
    SecretBytes buffer;         // holds plaintext while a file is processed, so it is wiped like a key
    SecretBytes secondBuffer;   // the second thread's, taken with the first file longer than one batch
    SecretBytes compared;       // the original's bytes while a result is verified
    QString lastOutput;         // where the last encryption or decryption left its output
    bool lastInputOurs = false; // the last file encrypted or decrypted began with a header of ours
};

EngineState& state();

// Closes a result left unnamed that nobody took (it is gone with its descriptor).
void dropUnnamedOutput(EngineState& s);

// Runs f on the engine's state under its lock.
template <class F> auto locked(F f) {
    EngineState& s = state();
    std::lock_guard lock(s.mutex);
    return f(s);
}

// Outside the state's lock, so that another thread can ask while a file is in progress.
extern std::atomic<bool> g_cancel;
extern std::atomic<qint64> g_progress;
extern std::atomic<void (*)(qint64)> g_writeHook;
extern std::function<void(qint64)> g_readHook; // tests only

} // namespace zq4e::internal

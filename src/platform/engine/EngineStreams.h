#pragma once

#include "platform/engine/EngineFiles.h"
#include "platform/engine/EngineState.h"
#include "platform/engine/PlainComparison.h"

#include <cstdint>

// The segments of one file sealed or opened, batch by batch on up to two threads: what every call of the engine
// (Engine.cpp) runs once its input and output are open (EncryptStream.cpp, DecryptStream.cpp, their shared parts
// in StreamBatches.h). Not for callers outside the engine.
namespace zq4e::internal {

// Result of decrypting: the code, and how many plaintext bytes reached the output.
struct DecryptOutcome {
    int code = Ok;
    std::uint64_t committed = 0;
    bool ours = false; // the file began with a header of ours
};

// Ok when the engine may take a file now (buffers allocated, not cancelled, a key), else the code; a result left
// unnamed that nobody took is dropped.
int checkReadyForAFile(EngineState& s);
// The file's progress and buffers settled once its stream has ended.
void endTheFile(EngineState& s);
// mayDerive false: DerivationNeeded, and nothing derived, when the file's master key is not at hand.
int encryptToFile(EngineState& s, InputFile& in, OutputFile& out, bool mayDerive);
DecryptOutcome decryptToFile(EngineState& s, InputFile& in, OutputFile& out, bool mayDerive);
// The plaintext checked against a file instead of written.
DecryptOutcome decryptToComparison(EngineState& s, InputFile& in, PlainComparison& out, bool mayDerive);

} // namespace zq4e::internal

// The text and randomness verdicts live apart from the other rules: they call into the cipher engine and
// the file services, which not every user of the key rules links.
#include "key/frmKeyFrom.h"

#include "platform/engine/Engine.h"
#include "files/FileProc.h"

namespace {
constexpr double randomKeyThreshold = 0.88;
}

bool frmKeyFrom::KeyIsText(const QByteArray& strKey) const {
    return zq4e::key_is_text(strKey, static_cast<int>(strKey.size())) != 0;
}

bool frmKeyFrom::KeyIsRandom(const QByteArray& strKey) const {
    return FileProc::KeyRandomness(strKey, 64, 64) >= randomKeyThreshold;
}

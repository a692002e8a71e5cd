#pragma once

#include "platform/engine/StreamCipher.h"

#include <QString>

// What the command line says of a stream or a file that did not go through.
namespace StreamTexts {

// "standard input: ..." for a stream: what went wrong and what became of the output. where: the output as
// shown; toFile: -o FILE (which keeps nothing of a failed stream).
QString failure(const zq4e::StreamOutcome& r, bool encrypt, const QString& where, bool toFile);

// Why a file did not verify, in the voice of the command line.
QString verifyFailure(const zq4e::StreamOutcome& r);

} // namespace StreamTexts

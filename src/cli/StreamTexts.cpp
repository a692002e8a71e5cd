#include "cli/StreamTexts.h"

#include "platform/engine/Engine.h"

namespace {

QString segmentText(const zq4e::StreamOutcome& r) {
    using namespace zq4e;
    switch (r.code) {
    case InvalidCipherFile:
        return QStringLiteral("not encrypted with this key, or not data of ours");
    case PartialInvalidSize:
        return QStringLiteral("the encrypted data ends in a piece too short to be a segment (it was cut short)");
    case ReadError:
    case PartialReadError:
        return QStringLiteral("read error");
    case WriteError:
    case PartialWriteError:
        return QStringLiteral("write error");
    case DiskFull:
        return QStringLiteral("the disk is full");
    case CryptoFailure:
        return QStringLiteral("the cryptographic library failed");
    default:
        if (r.code <= SegmentFailuresBase - 1 && r.code >= SegmentFailuresBase - 9)
            return QStringLiteral("segment ") + QString::number(r.badSegment + 1) +
                   QStringLiteral(" does not authenticate (the data is damaged, cut short or extended)");
        return QStringLiteral("error ") + QString::number(r.code);
    }
}

} // namespace

namespace StreamTexts {

QString failure(const zq4e::StreamOutcome& r, bool encrypt, const QString& where, bool toFile) {
    const bool writing = r.code == zq4e::WriteError || r.code == zq4e::PartialWriteError || r.code == zq4e::DiskFull;
    QString text = (writing ? where : QStringLiteral("standard input")) + QStringLiteral(": ") + segmentText(r);
    if (toFile)
        return text + QStringLiteral("; ") + where + QStringLiteral(" was not written.");
    if (!encrypt && r.written > 0)
        return text + QStringLiteral("; the ") + QString::number(r.written) +
               QStringLiteral(" bytes written before it are authenticated, nothing after them was written.");
    return text + (encrypt ? QStringLiteral("; the encrypted stream is incomplete.") : QStringLiteral("."));
}

QString verifyFailure(const zq4e::StreamOutcome& r) {
    return segmentText(r) + QLatin1Char('.');
}

} // namespace StreamTexts

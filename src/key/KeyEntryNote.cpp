#include "key/KeyEntryNote.h"

namespace KeyEntryNote {

QString outsideLatin1(const QString& text) {
    QString found;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size();
        const QString c = text.mid(i, pair ? 2 : 1);
        if (text.at(i).unicode() > 0xFF && !found.contains(c))
            found += c;
        i += pair ? 1 : 0;
    }
    return found;
}

QString lengthNote(qsizetype significant, qsizetype typed, int minLength, int maxLength) {
    QString note =
        significant < minLength
            ? QStringLiteral("%1 significant characters of the %2 a key needs").arg(significant).arg(minLength)
            : QStringLiteral("%1 significant characters (%2 needed)").arg(significant).arg(minLength);
    note += QStringLiteral("; spaces do not count.");
    if (typed >= maxLength)
        note += QStringLiteral(" The box is full: %1 characters, spaces included.").arg(maxLength);
    return note;
}

QString refusedNote(const QString& refused) {
    return QStringLiteral("Not taken: ") + refused +
           QStringLiteral(" (a key can hold only Latin-1 letters, digits and signs).");
}

} // namespace KeyEntryNote

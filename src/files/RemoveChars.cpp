#include "files/StrProc.h"

namespace StrProc {

void RemoveChars(QString& text, const QString& chars) {
    for (QChar c : chars)
        text.remove(c);
}

} // namespace StrProc

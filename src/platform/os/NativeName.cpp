#include "platform/os/NativeName.h"

namespace {

constexpr char16_t kRawBase = 0xDC00; // a raw byte b (0x80..0xFF) is kRawBase + b

bool isRawByte(char16_t u) {
    return u >= kRawBase + 0x80 && u <= kRawBase + 0xFF;
}

// The length of the valid UTF-8 sequence at s[i], or 0 when the byte there starts none.
int validSequence(const unsigned char* s, qsizetype i, qsizetype n) {
    const unsigned char b = s[i];
    auto cont = [&](qsizetype k) { return i + k < n && (s[i + k] & 0xC0) == 0x80; };
    if (b >= 0xC2 && b <= 0xDF)
        return cont(1) ? 2 : 0;
    if (b >= 0xE0 && b <= 0xEF) {
        if (!cont(1) || !cont(2))
            return 0;
        const unsigned char b1 = s[i + 1];
        if ((b == 0xE0 && b1 < 0xA0) || (b == 0xED && b1 >= 0xA0)) // overlong, or an encoded surrogate
            return 0;
        return 3;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        if (!cont(1) || !cont(2) || !cont(3))
            return 0;
        const unsigned char b1 = s[i + 1];
        if ((b == 0xF0 && b1 < 0x90) || (b == 0xF4 && b1 >= 0x90)) // overlong, or beyond U+10FFFF
            return 0;
        return 4;
    }
    return 0;
}

void appendHex(QString& out, const char* prefix, uint value, int digits) {
    out += QLatin1String(prefix);
    out += QString::number(value, 16).rightJustified(digits, QLatin1Char('0'));
}

// One character, as a surrogate pair beyond U+FFFF; below it as itself, a raw byte's lone surrogate included.
void appendCharacter(QString& out, char32_t c) {
    if (c >= 0x10000) {
        out += QChar(QChar::highSurrogate(c));
        out += QChar(QChar::lowSurrogate(c));
    } else {
        out += QChar(char16_t(c));
    }
}

bool isReorderingMark(char32_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E || c == 0x200F || c == 0x061C;
}

} // namespace

namespace NativeName {

QByteArray encode(QStringView path) {
    QByteArray out;
    out.reserve(path.size());
    const qsizetype n = path.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = path[i].unicode();
        if (u < 0x80) {
            out += char(u);
        } else if (isRawByte(u)) {
            out += char(u - kRawBase);
        } else if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(path[i + 1].unicode())) {
            const char32_t c = QChar::surrogateToUcs4(u, path[++i].unicode());
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else if (u < 0x800) {
            out += char(0xC0 | (u >> 6));
            out += char(0x80 | (u & 0x3F));
        } else {
            // Any other lone surrogate cannot come from a name; it is written as U+FFFD, as UTF-8 would.
            const char16_t c = QChar::isSurrogate(u) ? char16_t(0xFFFD) : u;
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

QString decode(QByteArrayView bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    QString out;
    out.reserve(n);
    for (qsizetype i = 0; i < n;) {
        if (s[i] < 0x80) {
            out += QChar(s[i++]);
            continue;
        }
        const int len = validSequence(s, i, n);
        if (len == 0) {
            out += QChar(char16_t(kRawBase + s[i++]));
            continue;
        }
        char32_t c = s[i] & (0x7F >> len);
        for (int k = 1; k < len; ++k)
            c = (c << 6) | (s[i + k] & 0x3F);
        i += len;
        appendCharacter(out, c);
    }
    return out;
}

QList<uint> characters(QStringView text) {
    QList<uint> out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            out.append(QChar::surrogateToUcs4(u, text[++i].unicode()));
        else
            out.append(u);
    }
    return out;
}

QString fromCharacters(const QList<uint>& chars) {
    QString out;
    out.reserve(chars.size());
    for (uint c : chars) {
        appendCharacter(out, c);
    }
    return out;
}

QString shown(QStringView text) {
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < n && text[i + 1].isLowSurrogate()) {
            out += text[i];
            out += text[++i];
        } else if (isRawByte(u)) {
            appendHex(out, "\\x", u - kRawBase, 2);
        } else if (u == '\n') {
            out += QLatin1String("\\n");
        } else if (u == '\r') {
            out += QLatin1String("\\r");
        } else if (u == '\t') {
            out += QLatin1String("\\t");
        } else if (u < 0x20 || (u >= 0x7F && u < 0xA0)) {
            appendHex(out, "\\x", u, 2);
        } else if (isReorderingMark(u)) {
            appendHex(out, "\\u", u, 4);
        } else {
            out += QChar(u);
        }
    }
    return out;
}

} // namespace NativeName

#include "platform/filekit/ProgramTextParser.h"

#include <QStringDecoder>

#include <limits>
#include <new>

namespace filekit {
namespace {

// Decimal number 1..INT_MAX with optional blanks around it; 0 when the text is anything else.
int parseNumber(QStringView text) {
    text = text.trimmed();
    if (text.isEmpty() || text.size() > 10)
        return 0;
    qint64 value = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
        value = value * 10 + (c.unicode() - '0');
    }
    return value >= 1 && value <= std::numeric_limits<int>::max() ? int(value) : 0;
}

// Splits the fields after the number at unescaped bars, resolving escapes on the way.
QList<QString> splitFields(QStringView rest) {
    QList<QString> fields(1);
    for (qsizetype i = 0; i < rest.size(); ++i) {
        const QChar c = rest[i];
        if (c == QLatin1Char('|')) {
            fields.append(QString());
        } else if (c == QLatin1Char('\\') && i + 1 < rest.size()) {
            const QChar n = rest[i + 1];
            QChar out;
            switch (n.unicode()) {
            case '|':
                out = QLatin1Char('|');
                break;
            case '\\':
                out = QLatin1Char('\\');
                break;
            case 'n':
                out = QLatin1Char('\n');
                break;
            case 'r':
                out = QLatin1Char('\r');
                break;
            case 't':
                out = QLatin1Char('\t');
                break;
            default:
                break;
            }
            if (out.isNull()) {
                fields.last().append(c);
            } else {
                fields.last().append(out);
                ++i;
            }
        } else {
            fields.last().append(c);
        }
    }
    return fields;
}

int parse(const QByteArray& bytes, ProgramTextTable& table) {
    if (bytes.isEmpty())
        return TextLoad::FileEmpty;
    if (bytes.size() > kMaxFileBytes)
        return TextLoad::TooMuchText;

    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return TextLoad::NotRecovered;
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);

    QList<QStringView> lines = QStringView(text).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the newline that ends the last line does not start another
    if (lines.size() > kMaxLines)
        return TextLoad::TooMuchText;

    for (qsizetype index = 0; index < lines.size(); ++index) {
        const int lineNumber = int(index) + 1;
        QStringView line = lines[index];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QStringView trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;

        const qsizetype bar = line.indexOf(QLatin1Char('|'));
        const int number = parseNumber(bar < 0 ? line : line.left(bar));
        if (number == 0)
            return TextLoad::BadNumber;
        if (bar < 0)
            return TextLoad::MissingStringBase - lineNumber;

        const QList<QString> fields = splitFields(line.mid(bar + 1));
        if (fields.first().isEmpty())
            return TextLoad::MissingStringBase - lineNumber;
        for (const QString& field : fields) {
            if (field.size() > kMaxTextLength)
                return TextLoad::TooLongBase - lineNumber;
        }
        if (fields.size() > kProgramTextLanguages)
            return TextLoad::TooManyFields;
        if (table.contains(number))
            return TextLoad::DuplicateBase - lineNumber;

        ProgramTextEntry entry;
        for (qsizetype i = 0; i < fields.size(); ++i)
            entry[size_t(i)] = fields[i];
        table.insert(number, entry);
    }
    return int(table.size());
}

} // namespace

int parseProgramTexts(const QByteArray& bytes, ProgramTextTable& table) {
    table.clear();
    try {
        const int result = parse(bytes, table);
        if (result < 0)
            table.clear();
        return result;
    } catch (const std::bad_alloc&) {
        table.clear();
        return TextLoad::OutOfMemory;
    }
}

} // namespace filekit

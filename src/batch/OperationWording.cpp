#include "batch/OperationWording.h"

#include <QStringList>

QString TxtEncDec(const QString& word, bool encrypt) {
    static const QStringList forms = {
        QStringLiteral("Encrypt"),    QStringLiteral("encrypt"),    QStringLiteral("Encryption"),
        QStringLiteral("encryption"), QStringLiteral("Encrypted"),  QStringLiteral("encrypted"),
        QStringLiteral("Encrypting"), QStringLiteral("encrypting"),
    };
    if (!forms.contains(word, Qt::CaseSensitive))
        return {};
    if (encrypt)
        return word;
    QString result = word;
    result[0] = word[0] == QLatin1Char('E') ? QLatin1Char('D') : QLatin1Char('d');
    result[1] = QLatin1Char('e');
    return result;
}

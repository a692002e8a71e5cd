#include "batch/FileLine.h"

#include "batch/OperationWording.h"
#include "batch/ResultTexts.h"

QString FileLine::start(const QString& name, qint64 size) {
    QString s = ResultTexts::NameColumn(name);
    if (size >= 0)
        s += ResultTexts::groupedNumber(size) + QStringLiteral(" bytes   ");
    return s;
}

QString FileLine::working(const QString& name, qint64 size, bool encrypt) {
    return start(name, size) + QStringLiteral("  ... ") + TxtEncDec(QStringLiteral("encrypting"), encrypt) +
           QStringLiteral(" ... ");
}

QString FileLine::text() const {
    return start(name, size) + outcome + QStringLiteral("\r\n");
}

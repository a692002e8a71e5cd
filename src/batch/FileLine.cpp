#include "batch/FileLine.h"

#include "batch/OperationWording.h"
#include "batch/ResultTexts.h"

QString FileLine::start(const QString& name, qint64 size) {
    const QString column = ResultTexts::NameColumn(name);
    return size >= 0 ? withSize(column, size) : column;
}

QString FileLine::withSize(const QString& column, qint64 size) {
    return column + ResultTexts::groupedNumber(size) + QStringLiteral(" bytes   ");
}

QString FileLine::working(const QString& start, bool encrypt) {
    return start + QStringLiteral("  ... ") + TxtEncDec(QStringLiteral("encrypting"), encrypt) + QStringLiteral(" ... ");
}

QString FileLine::text() const {
    return (head.isEmpty() ? start(name, size) : head) + outcome + QStringLiteral("\r\n");
}

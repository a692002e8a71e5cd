#pragma once

#include "batch/ReportBuffer.h"

#include <QString>

namespace TestSupport {

// One edit of a report, as tests of what follows the report spell it: "+text" appends, "-n" chops n characters,
// "^n" drops n characters from the head, "~text" removes that tail, "=text" replaces everything. False when the
// tail to remove is not there.
inline bool applyReportEdit(ReportBuffer& report, const QString& op) {
    const QString arg = op.mid(1);
    switch (op.at(0).toLatin1()) {
    case '+':
        report.append(arg);
        return true;
    case '-':
        report.chop(arg.toInt());
        return true;
    case '^':
        report.dropHead(arg.toInt());
        return true;
    case '~':
        return report.removeTail(arg);
    default:
        report.setText(arg);
        return true;
    }
}

} // namespace TestSupport

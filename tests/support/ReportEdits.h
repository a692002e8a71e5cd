#pragma once

#include "batch/ReportBuffer.h"

#include <QString>

namespace TestSupport {

// One edit of a report, as tests of what follows the report spell it: "+text" appends (before a pending piece),
// "-n" chops n characters, "^n" drops n characters from the head, "*text" makes text the pending piece ("*" alone:
// none), "=text" replaces everything. False when the edit is refused.
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
    case '*':
        return report.setPending(arg);
    default:
        report.setText(arg);
        return true;
    }
}

} // namespace TestSupport

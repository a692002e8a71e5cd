#pragma once

#include <QString>

// The program's version: major, a point, minor and the digit 7 (7.7 is 7.77).
inline QString ProgramVersion() {
    return QStringLiteral("7.77");
}

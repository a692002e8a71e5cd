#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace TestSupport {

// Points XDG_CONFIG_HOME into a fresh temporary folder, fixes the locale, and clears the dialog queues.
// Call from initTestCase(); the returned folder lives as long as the test object keeps it.
void prepareEnvironment(QTemporaryDir& home);

// Writes bytes to a file, creating its folders. Returns false (and QWARN) on failure.
bool writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

// A caption as it is displayed: the marks of its mnemonic left out ("&Stop" is "Stop").
QString shown(const QString& caption);

// Deterministic pseudo-random bytes for fixtures.
QByteArray pseudoRandomBytes(qsizetype size, quint32 seed);

} // namespace TestSupport

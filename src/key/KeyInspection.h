#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>

// What the key inspection window shows: the key's bytes in four rows of 16, its checksum and, for a random
// key, its randomness.
namespace KeyInspection {

constexpr int rowCount = 4;
constexpr int bytesPerRow = 16;

enum class Display { Decimal, Hexadecimal, Text };

// Each byte takes four characters: right-aligned in three, then a blank (" 11 ", "255 "). A zero byte of a
// text key shows as four blanks. Always four rows; rows past the end of the key are empty.
QStringList decimalRows(const QByteArray& key, bool keyIsText);
// Each byte as a blank, two upper-case hexadecimal digits and a blank (" 0B ").
QStringList hexadecimalRows(const QByteArray& key, bool keyIsText);
// The key's characters, a line per row: zero bytes are skipped, a line break (CR LF, CR or LF) starts the
// next row. Lines past the fourth row continue in the last row after a blank.
QStringList textRows(const QByteArray& key);

QStringList rows(Display display, const QByteArray& key, bool keyIsText);

// "Checksum is 7498."
QString checksumLine(int checksum);
// "Randomness is 0.912." with three decimals in the given number format.
QString randomnessLine(double randomness, const QLocale& locale = QLocale());

// How the window opens for a key: a random key shows its randomness and cannot be shown as characters;
// a text key opens in the character display.
struct Opening {
    Display display = Display::Decimal;
    bool textDisplayOffered = false;
    bool randomnessShown = false;
};
Opening opening(bool keyIsRandom, bool keyIsText);

} // namespace KeyInspection

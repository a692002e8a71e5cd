#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QRandomGenerator;
class frmKeyFrom;

namespace RandomKey {

constexpr int firstCode = 33;
constexpr int codeCount = 223; // codes 33..255
constexpr qsizetype keyLength = 64;

// Fills a buffer with random bytes; false when the source failed.
using ByteSource = std::function<bool(unsigned char* buffer, int size)>;
// The operating system's generator.
bool systemBytes(unsigned char* buffer, int size);

// A uniform number below codeCount from the byte source, by rejection (no modulo bias); -1 when the source
// fails.
int uniformBelowCodeCount(const ByteSource& source);

// The mouse-and-clock product of one tick, reduced to 0..codeCount-1. Positions are in twips; timerSeconds
// is the time of day in seconds.
int mouseClockValue(int x, int y, double timerSeconds);

// A key for the reliability test: 16 to 64 characters, nine times in ten codes 32..122 typed at the
// keyboard, otherwise codes 32..255 from a keyfile. Not reduced. Sets strKey, intKeyFrom and
// strKeyAsInput; checksum, digest and the verdicts are left alone.
void GenerateRandomTextKey(frmKeyFrom& key, QRandomGenerator& generator);
void GenerateRandomTextKey(frmKeyFrom& key);

} // namespace RandomKey

// Builds a random key one character per clock tick while the mouse moves. Every character mixes the
// mouse-and-clock value with a uniform draw from the system generator, so each code is uniform over
// 33..255 however the mouse moved.
class RandomKeyGatherer {
public:
    explicit RandomKeyGatherer(RandomKey::ByteSource source = RandomKey::systemBytes);
    ~RandomKeyGatherer();
    RandomKeyGatherer(const RandomKeyGatherer&) = delete;
    RandomKeyGatherer& operator=(const RandomKeyGatherer&) = delete;

    // Starts a new key with the pointer at (x, y): empty key, empty progress bar.
    void start(int x, int y);
    void mouseMoved(int x, int y);
    // One clock tick: adds a character when the mouse has moved since the last one. Returns true when a
    // character was added. Fails (false, failed() true) only when the system generator fails.
    bool tick(double timerSeconds);

    bool isComplete() const { return m_key.size() >= RandomKey::keyLength; }
    bool failed() const { return m_failed; }
    // strRandomKey: the characters gathered so far.
    const QByteArray& key() const { return m_key; }
    // 63 underscores, one replaced by a block per character; the 64th block goes after them.
    QString progressBar() const;
    // Wipes the key gathered so far.
    void discard();

private:
    RandomKey::ByteSource m_source;
    QByteArray m_key;
    int m_x = 0;
    int m_y = 0;
    int m_previousX = 0;
    int m_previousY = 0;
    bool m_failed = false;
};

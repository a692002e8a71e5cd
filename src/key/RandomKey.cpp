#include "key/RandomKey.h"

#include "key/KeyMaterial.h"
#include "key/frmKeyFrom.h"

#include <QRandomGenerator>

#include <cmath>
#include <openssl/rand.h>

namespace RandomKey {

bool systemBytes(unsigned char* buffer, int size) {
    if (RAND_bytes(buffer, size) == 1)
        return true;
    // Only when OpenSSL cannot seed itself: the kernel's generator directly.
    for (int i = 0; i < size; ++i)
        buffer[i] = static_cast<unsigned char>(QRandomGenerator::system()->bounded(256));
    return true;
}

int uniformBelowCodeCount(const ByteSource& source) {
    // Bytes 223..255 would favour the low codes if folded in; they are drawn again instead.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        unsigned char b = 0;
        if (!source(&b, 1))
            return -1;
        if (b < codeCount)
            return b;
    }
    return -1;
}

int mouseClockValue(int x, int y, double timerSeconds) {
    const float t = static_cast<float>(timerSeconds);
    // Hundredths of the current second, halves to even.
    const qint64 d = static_cast<qint64>(std::nearbyint((t - std::floor(t)) * 100.0));
    // 64-bit: a pointer outside the window must not overflow the product.
    const qint64 o = (2 * d + y) * (x + d) * (d + 1);
    return static_cast<int>(((o % codeCount) + codeCount) % codeCount);
}

void GenerateRandomTextKey(frmKeyFrom& key, QRandomGenerator& generator) {
    const auto r = [&generator] { return generator.generateDouble(); };
    const int n = static_cast<int>(std::floor(49 * r() + 16));
    const int k = static_cast<int>(std::floor(10 * r()));
    QByteArray generated;
    generated.reserve(n);
    for (int i = 0; i < n; ++i) {
        const int code =
            k > 0 ? static_cast<int>(std::floor(91 * r() + 32)) : static_cast<int>(std::floor(224 * r() + 32));
        generated.append(static_cast<char>(code));
    }
    key.intKeyFrom = k > 0 ? frmKeyFrom::FromKeyboard : frmKeyFrom::FromKeyfile;
    KeyMaterial::replace(key.strKeyAsInput, generated);
    KeyMaterial::replace(key.strKey, std::move(generated));
}

void GenerateRandomTextKey(frmKeyFrom& key) {
    GenerateRandomTextKey(key, *QRandomGenerator::global());
}

} // namespace RandomKey

RandomKeyGatherer::RandomKeyGatherer(RandomKey::ByteSource source) : m_source(std::move(source)) {}

RandomKeyGatherer::~RandomKeyGatherer() {
    discard();
}

void RandomKeyGatherer::start(int x, int y) {
    discard();
    m_key.reserve(RandomKey::keyLength);
    m_x = m_previousX = x;
    m_y = m_previousY = y;
    m_failed = false;
}

void RandomKeyGatherer::mouseMoved(int x, int y) {
    m_x = x;
    m_y = y;
}

bool RandomKeyGatherer::tick(double timerSeconds) {
    if (isComplete() || m_failed || (m_x == m_previousX && m_y == m_previousY))
        return false;
    const int mixed = RandomKey::uniformBelowCodeCount(m_source);
    if (mixed < 0) {
        m_failed = true;
        return false;
    }
    const int value = RandomKey::mouseClockValue(m_x, m_y, timerSeconds);
    m_previousX = m_x;
    m_previousY = m_y;
    m_key.append(static_cast<char>((value + mixed) % RandomKey::codeCount + RandomKey::firstCode));
    return true;
}

QString RandomKeyGatherer::progressBar() const {
    QString bar(RandomKey::keyLength - 1, QLatin1Char('_'));
    const QChar block(0x2588);
    for (qsizetype i = 0; i < m_key.size(); ++i) {
        if (i < bar.size())
            bar[i] = block;
        else
            bar.append(block);
    }
    return bar;
}

void RandomKeyGatherer::discard() {
    KeyMaterial::wipe(m_key);
    m_key.clear();
}

#pragma once

#include <QByteArray>
#include <QString>

// The one key of the whole run: where it came from, the text as given, the reduced key handed to the cipher
// engine, its digest and checksum, and its classification; plus the rules every part applies to keys.
// A key is a byte string in the Latin-1 code page, one byte per character.
// Assign key material through KeyMaterial::replace() so a replaced key is wiped, not just freed.
class frmKeyFrom {
public:
    static constexpr int NoKey = -1;
    static constexpr int FromKeyboard = 0;
    static constexpr int FromKeyfile = 2;

    // The last key operation was cancelled before anything about the key was decided.
    bool blnCancel = false;
    // The current key was generated and written to a new keyfile by the last keyfile operation.
    bool blnNewRandomKeyFileCreated = false;
    bool blnKeyIsRandom = false;
    bool blnKeyIsText = false;
    // Checksum of the reduced key, 1001..9999.
    int intKeyChecksum = 0;
    // NoKey, FromKeyboard or FromKeyfile.
    int intKeyFrom = NoKey;
    int intMinKeyLength = 16;
    int intMaxKeyLength = 64;
    // The reduced key given to the engine; empty when there is none.
    QByteArray strKey;
    // The text most recently passed to ReducedKey().
    QByteArray strKeyAsInput;
    // The candidate read from a keyfile or generated (64 bytes then), or a typed key being inspected.
    QByteArray strNewKey;
    // MD5 digest (16 bytes) of the key most recently checksummed.
    QByteArray strKeyDigest;
    // Path of the current or last chosen keyfile.
    QString strKeyFile;

    // The one instance of the run, created on first use.
    static frmKeyFrom& instance();

    // Rules.
    bool KeyIsAdmissible(const QByteArray& strKey);
    QByteArray ReducedKey(const QByteArray& strKey);
    int KeyChecksum(const QByteArray& strReducedKey);
    bool KeyIsText(const QByteArray& strKey) const;
    bool KeyIsRandom(const QByteArray& strKey) const;

    // Latin-1 upper case of one byte: é becomes É; ß, ÿ and µ have no Latin-1 capital and stay.
    static char upperLatin1(char c);
    // The checksum of a 16-byte digest: pairs weigh 65536:1, summed, mod 8999, plus 1001.
    static int checksumOfDigest(const QByteArray& digest);
    // The key the engine receives: a key shorter than 64 bytes is repeated to exactly 64.
    static QByteArray stretchedKey(const QByteArray& key);
};

// The one key object of the run.
inline frmKeyFrom& keyObject() {
    return frmKeyFrom::instance();
}

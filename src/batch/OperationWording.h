#pragma once

#include <QString>

// Every word that names the operation is written in its encryption form and passed through here: while
// decrypting, "Encrypt" becomes "Decrypt", "encrypted" becomes "decrypted", and so on. Only the eight
// forms Encrypt, Encryption, Encrypted, Encrypting (capitalised or all lower case) are known, compared
// exactly; any other text, blanks around a known word included, gives the empty text.
QString TxtEncDec(const QString& word, bool encrypt);

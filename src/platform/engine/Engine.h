#pragma once

#include <QByteArray>
#include <QString>

// The cipher engine. File format, result codes and the failure behind each code are documented here by
// the engine's implementation (see Engine.cpp until then).
namespace zq4e {

// Sets up the engine's buffers and master-key cache. 0 = failure.
int allocate_buffers();
// Releases the buffers and wipes every cached key.
void deallocate_buffers();
// Takes the key for the next encrypt_file / decrypt_file call. encrypt: 1 encrypt, 0 decrypt.
// inputLength: the input's size in bytes (64-bit); reserved: always 0.
void operation_initialization(const QByteArray& key, int encrypt, qint64 inputLength, int reserved);
// Encrypt / decrypt one file into a different, new file. 0 = success, negative codes otherwise.
int encrypt_file(const QString& inputPath, const QString& outputPath);
int decrypt_file(const QString& inputPath, const QString& outputPath);
// Nonzero when the key's bytes look like text.
int key_is_text(const QByteArray& key, int length);

} // namespace zq4e

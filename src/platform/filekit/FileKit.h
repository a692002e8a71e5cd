#pragma once

#include <QByteArray>
#include <QString>

// The auxiliary library of file services: randomness, comparison, purge and new file names.
namespace filekit {

// Randomness of a file, 0..1; -11 not found, -12 read error, -14 empty, -15 shorter than minimumSize.
double fr(const QString& path, int minimumSize);
// Randomness of a key's bytes, 0..1 (the two counts are 64 and 64 in every call the program makes).
double randomness_measure(const QByteArray& key, int length, int sampleLength);
// -1 identical; >= 0 first differing byte (from 0); -11/-12 first/second cannot be opened; -21/-22 cannot be
// read; -31/-32 first/second is empty.
qint64 compare_files(const QString& first, const QString& second);
// Overwrites (parameter 1000) or just removes (0) the file. -3 or more is success; the path is free after.
int purge_file(const QString& path, int parameter, int reserved0, int reservedMinus1);
// 1 if a new file can be created at that path, else 0.
int new_file_creatable(const QString& path);
// Smallest n >= 1 such that path + n does not exist; 0 if there is none.
qint64 new_filepath_extension(const QString& path);

} // namespace filekit

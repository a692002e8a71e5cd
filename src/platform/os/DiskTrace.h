#pragma once

#include <QString>

// The order in which a run makes results durable and replaces files: every sync, rename and purge of a run is
// told to a recorder when one is set (tests only), so that "synced before named" can be checked as it happens.
namespace DiskTrace {

enum class Step { SyncFile, SyncFolder, SyncFileSystem, Rename, Purge };

using Recorder = void (*)(Step step, const QString& path);
void setRecorder(Recorder recorder);
void note(Step step, const QString& path);

} // namespace DiskTrace

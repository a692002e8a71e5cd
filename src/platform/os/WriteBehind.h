#pragma once

#include <QString>

// A head start for a sync to come: the file system that holds the path is asked, on a thread of its own, to write
// what it holds unwritten (syncfs), while the caller goes on writing. Nothing is promised by it: what must be on
// the disk is still synced by its owner, whose sync then finds less left to do. At most one is under way at a
// time; asked meanwhile, it does nothing.
namespace WriteBehind {

void start(const QString& path);

} // namespace WriteBehind

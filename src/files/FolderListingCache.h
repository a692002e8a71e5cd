#pragma once

#include "files/FolderListing.h"

#include <optional>

// One listing of each folder for the length of a launch: the launch checks, the confirmation's count, the survey of
// the outputs, the size pass and the run's own listing of a folder all ask for the same entries before the run
// writes a byte there, and a folder of many thousands read and looked at six or eight times costs more than the
// first files. While a scope is open, listFolder and listAllNames read a folder once and answer again from what
// they read; what a listing holds is unchanged (every entry, names as their bytes, links not followed). A folder
// that could not be read is read again when asked again.
//
// What the program is about to change in a folder it forgets first (forget): the run does so for the folders it
// works in before it writes there, and the recovery of a killed run's leftovers for a folder it found them in.
// A scope spans no wait for the user: files put in a folder meanwhile would not be among its entries.
namespace Folder {

class ListingScope {
public:
    ListingScope();
    ~ListingScope();
    ListingScope(const ListingScope&) = delete;
    ListingScope& operator=(const ListingScope&) = delete;
};

// The folder's listing (and that of the folder the path leads to, under whatever spelling it was read) is read
// afresh the next time it is asked for.
void forgetListing(const QString& folder);
// Everything read so far is read afresh (after a wait for the user).
void forgetListings();

namespace ListingCache {
// Whether a scope is open.
bool open();
// Changes whenever something read may be read afresh (a listing forgotten, a scope opened or closed): what was
// worked out from listings under one generation holds as long as it does.
quint64 generation();
// What the open scope holds for the folder (in name order), if a scope is open and holds it.
std::optional<Contents> find(const QString& folder);
// Keeps a listing that was read whole and sorted by name from the folder of that device and inode, if a scope is
// open.
void keep(const QString& folder, const Contents& contents, quint64 device, quint64 inode);
} // namespace ListingCache

} // namespace Folder

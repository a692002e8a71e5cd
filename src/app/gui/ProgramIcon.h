#pragma once

#include <QIcon>

// The program's icon, a sheet of paper closed by a padlock: the installed theme icon when there is one,
// otherwise drawn here at the usual sizes, so that every window carries it also when run from the build.
namespace ProgramIcon {

QIcon icon();

} // namespace ProgramIcon

#pragma once

// How many files the process may have open at once. A run that keeps many results open until they are named
// asks for more than the usual 1,024 (the hard limit is commonly far higher): nothing here uses select(), so
// descriptors past 1,024 are as good as any.
namespace OpenFileLimit {

// Raises the soft limit towards `wanted`, as far as the hard limit allows, and returns the soft limit then in
// force (`wanted` itself when there is no limit).
long raiseTo(long wanted);

} // namespace OpenFileLimit

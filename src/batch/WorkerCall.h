#pragma once

#include <functional>

// Runs a long job on a worker thread while this thread keeps serving its event loop, so a window stays
// responsive; a short job runs inline, where a thread hand-off would cost more than the job.
namespace WorkerCall {

// Jobs on inputs of at least this many bytes go to a worker; so does a smaller one whose key derivation is not
// cached yet (the engine's DerivationNeeded), which can take seconds.
inline constexpr long long WorkerThreshold = 4LL * 1024 * 1024;

// The job is told whether it may derive a key: false when it runs on this thread, where it passes that to the
// engine (zq4e::FileOptions::mayDerive) and gets DerivationNeeded back instead of waiting; it then runs again
// on a worker, told true.
int run(long long inputBytes, const std::function<int(bool mayDerive)>& job);

} // namespace WorkerCall

#pragma once

#include <cstddef>
#include <cstdint>

namespace zq4e {

// Random bytes for a file's salt and nonce prefix, drawn from the library's generator a kilobyte at a time: every
// call of the generator has a fixed cost (a few microseconds), which a run of many small files would otherwise pay
// for each file. Each byte is handed out once and wiped from the pool; after a fork the child draws afresh, so
// parent and child never hand out the same bytes. False when the generator fails.
bool freshBytes(std::uint8_t* out, std::size_t n);

} // namespace zq4e

#pragma once

#include "platform/engine/Engine.h"
#include "platform/engine/EngineFiles.h"
#include "platform/engine/SecretBytes.h"

#include <cstdint>
#include <cstring>

namespace zq4e {

// Takes decrypted plaintext where an output file would, and compares it with a file instead of writing it:
// how a result is checked against its original without a copy on disk.
class PlainComparison {
public:
    PlainComparison(InputFile& plain, SecretBytes& scratch) : m_plain(plain), m_scratch(scratch) {}

    // Ok while every byte so far matches the file, else WriteError (the decryptor's word for a failed sink).
    int writeVec(const iovec* iov, int count, std::uint64_t& compared) {
        for (int i = 0; i < count; ++i) {
            const auto* p = static_cast<const std::uint8_t*>(iov[i].iov_base);
            for (std::size_t left = iov[i].iov_len; left > 0;) {
                const std::size_t n = left < m_scratch.size() ? left : m_scratch.size();
                if (m_plain.read(m_scratch.data(), n) != static_cast<long long>(n) ||
                    std::memcmp(m_scratch.data(), p, n) != 0)
                    return WriteError;
                p += n;
                left -= n;
                compared += n;
            }
        }
        return Ok;
    }
    // True when the file has nothing beyond what was compared.
    bool fileEndsHere() {
        std::uint8_t extra;
        return m_plain.read(&extra, 1) == 0;
    }

private:
    InputFile& m_plain;
    SecretBytes& m_scratch;
};

} // namespace zq4e

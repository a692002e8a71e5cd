#include "platform/engine/MasterKeyCache.h"

#include "platform/engine/Scrypt.h"

#include <cstring>
#include <openssl/rand.h>
#include <system_error>

namespace zq4e {

void MasterKeyCache::use(const void* key, std::size_t size) {
    m_current = nullptr;
    if (!size)
        return;
    for (const auto& k : m_keys)
        if (k->key.equals(key, size)) {
            m_current = k.get();
            return;
        }
    auto k = std::make_unique<Key>();
    k->key = SecretBytes(key, size);
    if (m_keys.size() >= kMaxKeys)
        m_keys.erase(m_keys.begin()); // the oldest; never the one in use, which is added now
    m_current = k.get();
    m_keys.push_back(std::move(k));
}

const SecretBytes& MasterKeyCache::key() const {
    static const SecretBytes none;
    return m_current ? m_current->key : none;
}

const MasterKeyCache::Master* MasterKeyCache::find(const CipherHeader& h) const {
    if (!m_current)
        return nullptr;
    for (const auto& m : m_current->masters)
        if (m->salt == h.kdfSalt && m->log2N == h.scryptLog2N && m->r == h.scryptR && m->p == h.scryptP)
            return m.get();
    return nullptr;
}

namespace {
std::atomic<long long> g_derivations{0};

bool derive(const SecretBytes& key, const std::array<std::uint8_t, kSaltSize>& salt, std::uint8_t log2N, std::uint8_t r,
            std::uint8_t p, std::uint8_t* out, const ScryptControl* control = nullptr) {
    return scrypt(key.data(), key.size(), salt.data(), salt.size(), log2N, r, p, out, kKeySize, ScryptCore::Fastest,
                  control);
}
} // namespace

bool MasterKeyCache::has(const CipherHeader& h) const {
    if (find(h))
        return true;
    const Ahead* a = aheadFor(h);
    return a && a->done.load(std::memory_order_acquire);
}

MasterKeyCache::Ahead* MasterKeyCache::aheadFor(const CipherHeader& h) const {
    Ahead* a = m_ahead.get();
    if (!a || a->taken || !m_current || !m_current->key.equals(a->key.data(), a->key.size()))
        return nullptr;
    return a->salt == h.kdfSalt && a->log2N == h.scryptLog2N && a->r == h.scryptR && a->p == h.scryptP ? a : nullptr;
}

bool MasterKeyCache::deriveAhead(const CipherHeader& h) {
    if (!m_current)
        return false;
    if (find(h) || aheadFor(h))
        return true;
    dropAhead();
    auto a = std::make_unique<Ahead>();
    a->key = SecretBytes(m_current->key.data(), m_current->key.size());
    a->salt = h.kdfSalt;
    a->log2N = h.scryptLog2N;
    a->r = h.scryptR;
    a->p = h.scryptP;
    Ahead* job = a.get();
    try {
        a->thread = std::thread([job] {
            const auto finish = [job](bool ok) {
                job->ok = ok;
                job->done.store(true, std::memory_order_release);
                job->done.notify_all();
            };
            ScryptControl control;
            control.abandon = &job->abandon;
            control.ready = [&] { finish(true); };
            // On success `ready` has said so already, and nothing of the job is touched after it.
            if (!derive(job->key, job->salt, job->log2N, job->r, job->p, job->master.data(), &control))
                finish(false);
        });
    } catch (const std::system_error&) {
        return false;
    }
    m_ahead = std::move(a);
    g_derivations.fetch_add(1, std::memory_order_relaxed);
    return true;
}

void MasterKeyCache::dropAhead() {
    if (m_ahead)
        m_ahead->abandon.store(true, std::memory_order_relaxed);
    if (m_ahead && m_ahead->thread.joinable())
        m_ahead->thread.join();
    m_ahead.reset(); // SecretBytes cleanse themselves
}

bool MasterKeyCache::masterKey(const CipherHeader& h, std::uint8_t* out) {
    if (const Master* m = find(h)) {
        std::memcpy(out, m->master.data(), kKeySize);
        return true;
    }
    if (!m_current)
        return false;
    auto m = std::make_unique<Master>();
    m->salt = h.kdfSalt;
    m->log2N = h.scryptLog2N;
    m->r = h.scryptR;
    m->p = h.scryptP;
    if (Ahead* a = aheadFor(h)) {
        a->done.wait(false, std::memory_order_acquire);
        const bool ok = a->ok;
        if (!ok) {
            dropAhead();
            return false;
        }
        std::memcpy(m->master.data(), a->master.data(), kKeySize);
        // Its thread is left to give back its memory meanwhile.
        a->taken = true;
        a->key.wipe();
        a->master.wipe();
    } else {
        g_derivations.fetch_add(1, std::memory_order_relaxed);
        if (!derive(m_current->key, m->salt, m->log2N, m->r, m->p, m->master.data()))
            return false;
    }
    std::memcpy(out, m->master.data(), kKeySize);
    auto& masters = m_current->masters;
    if (masters.size() >= kMaxMastersPerKey)
        masters.erase(masters.begin());
    masters.push_back(std::move(m));
    return true;
}

bool MasterKeyCache::encryptionSalt(std::array<std::uint8_t, kSaltSize>& salt) {
    if (!m_current)
        return false;
    if (!m_current->salted) {
        if (RAND_bytes(m_current->salt.data(), int(m_current->salt.size())) != 1)
            return false;
        m_current->salted = true;
    }
    salt = m_current->salt;
    return true;
}

void MasterKeyCache::wipe() {
    dropAhead();
    m_current = nullptr;
    m_keys.clear(); // SecretBytes cleanse themselves
}

long long MasterKeyCache::derivations() {
    return g_derivations.load(std::memory_order_relaxed);
}

std::size_t MasterKeyCache::size() const {
    std::size_t n = 0;
    for (const auto& k : m_keys)
        n += k->masters.size();
    return n;
}

} // namespace zq4e

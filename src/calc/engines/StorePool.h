#pragma once

// Large storage given back, kept for the next that asks. Storage the system gives afresh is
// cleared page by page on its first use (a tenth of a block-engine job went to that), and every
// block-engine job grows its sub-fill memo to the same tens of megabytes as the one before it on
// its thread. At most a given number of bytes are kept: the largest storage given back. The
// storage is std::malloc's (or std::aligned_alloc's): what the pool does not keep it frees.

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <mutex>
#include <vector>

class StorePool {
public:
    explicit StorePool(std::size_t mostBytes) : m_mostBytes(mostBytes) {}
    StorePool(const StorePool&) = delete;
    StorePool& operator=(const StorePool&) = delete;
    ~StorePool()
    {
        for (const Kept& k : m_kept) {
            std::free(k.Store);
        }
    }

    // Kept storage of at least `bytes`: the largest such when `largest`, else the smallest; null
    // when none. `bytes` becomes its size.
    std::byte* Take(std::size_t& bytes, bool largest)
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        auto pick = m_kept.end();
        for (auto it = m_kept.begin(); it != m_kept.end(); ++it) {
            if (it->Bytes >= bytes &&
                (pick == m_kept.end() || (largest ? it->Bytes > pick->Bytes : it->Bytes < pick->Bytes))) {
                pick = it;
            }
        }
        if (pick == m_kept.end()) {
            return nullptr;
        }
        std::byte* const store = pick->Store;
        bytes = pick->Bytes;
        m_bytes -= pick->Bytes;
        m_kept.erase(pick);
        return store;
    }

    // Keeps the storage, in place of smaller kept storage where it must; frees what it does not
    // keep.
    void Give(std::byte* store, std::size_t bytes)
    {
        std::vector<std::byte*> dropped;
        {
            const std::lock_guard<std::mutex> hold(m_lock);
            while (m_bytes + bytes > m_mostBytes && !m_kept.empty()) {
                const auto smallest =
                    std::min_element(m_kept.begin(), m_kept.end(),
                                     [](const Kept& a, const Kept& b) { return a.Bytes < b.Bytes; });
                if (smallest->Bytes >= bytes) {
                    break;
                }
                dropped.push_back(smallest->Store);
                m_bytes -= smallest->Bytes;
                m_kept.erase(smallest);
            }
            if (m_bytes + bytes <= m_mostBytes) {
                m_kept.push_back(Kept{store, bytes});
                m_bytes += bytes;
                store = nullptr;
            }
        }
        for (std::byte* d : dropped) {
            std::free(d);
        }
        std::free(store);
    }

    std::size_t KeptBytes()
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        return m_bytes;
    }

private:
    struct Kept {
        std::byte* Store = nullptr;
        std::size_t Bytes = 0;
    };
    const std::size_t m_mostBytes;
    std::mutex m_lock;
    std::vector<Kept> m_kept;
    std::size_t m_bytes = 0;
};

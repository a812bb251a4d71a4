// The history's decoded, scaled record pictures, kept between paints and
// visits so a page turn decodes only what it has not shown before. An entry
// is found by the file's path and counts only while the file still has the
// size and last-write time it was decoded from: a replaced record is decoded
// again. Least recently used entries go first once the bound is reached.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <utility>

struct ThumbnailStamp {
    uint64_t fileSize;
    uint64_t lastWrite; // the file system's own time stamp
    int width, height;  // of the scaled picture
    bool operator==(const ThumbnailStamp&) const = default;
};

// Thumb is whatever one cell draws from; a default-constructed one can stand
// for a file that did not decode, so that file is not read again either.
template <class Thumb> class CThumbnailCache {
public:
    explicit CThumbnailCache(size_t capacity) : m_capacity(capacity > 0 ? capacity : 1) {}

    // The thumbnail made from the file as stamped, or null; an entry made
    // from an earlier state of the file is dropped.
    const Thumb* Find(const std::wstring& path, const ThumbnailStamp& stamp) {
        const auto it = m_index.find(path);
        if (it == m_index.end())
            return nullptr;
        if (!(it->second->stamp == stamp)) {
            m_entries.erase(it->second);
            m_index.erase(it);
            return nullptr;
        }
        m_entries.splice(m_entries.begin(), m_entries, it->second);
        return &it->second->thumb;
    }

    const Thumb& Insert(const std::wstring& path, const ThumbnailStamp& stamp, Thumb thumb) {
        if (const auto it = m_index.find(path); it != m_index.end()) {
            m_entries.erase(it->second);
            m_index.erase(it);
        }
        m_entries.push_front(Entry{path, stamp, std::move(thumb)});
        m_index.emplace(path, m_entries.begin());
        while (m_entries.size() > m_capacity) {
            m_index.erase(m_entries.back().path);
            m_entries.pop_back();
        }
        return m_entries.front().thumb;
    }

    // Drops every entry whose path keep turns down.
    template <class Keep> void KeepOnly(Keep keep) {
        for (auto it = m_entries.begin(); it != m_entries.end();) {
            if (keep(std::as_const(it->path))) {
                ++it;
                continue;
            }
            m_index.erase(it->path);
            it = m_entries.erase(it);
        }
    }

    size_t Size() const { return m_entries.size(); }
    size_t Capacity() const { return m_capacity; }

private:
    struct Entry {
        std::wstring path;
        ThumbnailStamp stamp;
        Thumb thumb;
    };
    size_t m_capacity;
    std::list<Entry> m_entries; // most recently used first
    std::unordered_map<std::wstring, typename std::list<Entry>::iterator> m_index;
};

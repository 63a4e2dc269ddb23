// The pid.tid token of a trace line and the per-thread records keyed by it,
// shared by both tools.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "linetext.h"

// How a thread key may end: only before a blank (quorbit skips a line whose
// key has no blank after it), or also at the end of the line's text, before
// its line ending (varnel).
enum class KeyEnd { Blank, BlankOrLineEnd };

// Finds the line's thread key: from the first occurrence of the process key
// (process id and period) to the next blank, which must stand within 40
// characters (1 to 39 of key); with KeyEnd::BlankOrLineEnd a key of 1 to 39
// characters may also run to the end of the line's text. A NUL byte ends the
// key, as the end of a C string would. False when the line has no key.
inline bool findThreadKey(const LineText &line, const PreparedNeedle &processKey, std::string_view &key,
                          KeyEnd end)
{
    const std::size_t start = line.find(processKey);
    if (start == std::string_view::npos)
        return false;
    const char *token = line.data + start;
    const std::size_t limit = line.bodyLen - start < 40 ? line.bodyLen - start : 40;
    std::size_t len = 0;
#if defined(__SSE2__)
    if (limit >= 16) {
        // Most keys end within 16 characters: one step finds the blank, and
        // tells whether a NUL byte comes before it.
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(token));
        const unsigned blanks = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8(' '))));
        if (blanks != 0) {
            len = static_cast<std::size_t>(__builtin_ctz(blanks));
            if (len < 1)
                return false;
            const unsigned nuls = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_setzero_si128()))) &
                                  ((1u << len) - 1);
            key = std::string_view(token, nuls ? static_cast<std::size_t>(__builtin_ctz(nuls)) : len);
            return true;
        }
        len = 16;
    }
#endif
    while (len < limit && token[len] != ' ')
        ++len;
    if (len == limit && !(end == KeyEnd::BlankOrLineEnd && len == line.bodyLen - start))
        return false;
    if (len < 1 || len > 39)
        return false;
    const void *nul = std::memchr(token, '\0', len);
    key = std::string_view(token, nul ? static_cast<std::size_t>(static_cast<const char *>(nul) - token) : len);
    return true;
}

// The records of the traced threads, in the order of their first line. T
// has the members `char key[40]` and `std::size_t keyLen`. A trace usually
// interleaves a few threads, so the thread of the previous call and a small
// table of recent ones, indexed by the key's last characters, are tried
// before the hash index.
template <class T>
class ThreadTable {
public:
    // The record of `key`; a new one (default-constructed, key filled in) is
    // appended when the key was not seen before, and `created` is set.
    T &get(std::string_view key, bool &created)
    {
        created = false;
        // The recent table holds short keys in two words of its own, so that
        // a hit is decided without touching the record.
        const Words words = wordsOf(key);
        // Consecutive lines mostly come from one thread: its entry first.
        if (last_->item != nullptr && last_->matches(words, key.size()))
            return *last_->item;
        return getOther(key, words, created);
    }

    std::size_t size() const { return items_.size(); }
    const std::vector<std::unique_ptr<T>> &items() const { return items_; }

private:
    static constexpr std::size_t kRecent = 64;

    // Two words that together hold every byte of a key of up to 16 bytes
    // (equal words and lengths mean equal keys); longer keys never match.
    struct Words {
        unsigned long long a = 0, b = ~0ull;
    };
    struct Recent {
        Words words;
        std::size_t len = 0;
        T *item = nullptr;

        bool matches(const Words &w, std::size_t n) const { return words.a == w.a && words.b == w.b && len == n; }
    };

    static Words wordsOf(std::string_view key)
    {
        const char *p = key.data();
        const std::size_t n = key.size();
        Words w;
        if (n >= 8 && n <= 16) {
            std::memcpy(&w.a, p, 8);
            std::memcpy(&w.b, p + n - 8, 8);
        } else if (n >= 4 && n < 8) {
            unsigned lo, hi;
            std::memcpy(&lo, p, 4);
            std::memcpy(&hi, p + n - 4, 4);
            w.a = lo;
            w.b = hi;
        } else if (n > 0 && n < 4) {
            w.a = static_cast<unsigned char>(p[0]) | static_cast<unsigned>(static_cast<unsigned char>(p[n / 2])) << 8 |
                  static_cast<unsigned>(static_cast<unsigned char>(p[n - 1])) << 16;
            w.b = 0;
        } else if (n == 0) {
            w.a = w.b = 0;
        }
        return w;
    }

    // A key other than the previous call's: the recent table, then the
    // hash index, then a new record.
    [[gnu::noinline]] T &getOther(std::string_view key, const Words &words, bool &created)
    {
        Recent &recent = recent_[slotOf(key)];
        if (recent.item != nullptr && recent.matches(words, key.size())) {
            last_ = &recent;
            return *recent.item;
        }
        T *item;
        auto it = index_.find(key);
        if (it != index_.end()) {
            item = it->second;
        } else {
            auto fresh = std::make_unique<T>();
            if (!key.empty())
                std::memcpy(fresh->key, key.data(), key.size());
            fresh->keyLen = key.size();
            item = fresh.get();
            items_.push_back(std::move(fresh));
            index_.emplace(std::string_view(item->key, item->keyLen), item);
            created = true;
        }
        if (key.size() <= 16) {
            recent = Recent{words, key.size(), item};
            last_ = &recent;
        }
        return *item;
    }

    static std::size_t slotOf(std::string_view key)
    {
        const std::size_t n = key.size();
        if (n == 0)
            return 0;
        const unsigned last = static_cast<unsigned char>(key[n - 1]);
        const unsigned before = n > 1 ? static_cast<unsigned char>(key[n - 2]) : 0u;
        return (last * 7u + before * 131u + n) & (kRecent - 1);
    }

    std::vector<std::unique_ptr<T>> items_;
    std::unordered_map<std::string_view, T *> index_;
    Recent recent_[kRecent];
    Recent *last_ = recent_; // the entry of the previous call
};

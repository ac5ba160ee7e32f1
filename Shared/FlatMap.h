#pragma once
// A map kept as one vector sorted by key. The scan's tables hold an entry for every process of the
// machine, tens of thousands, filled once (in pid order, as the tools print them) and then only
// read: one allocation for the whole table instead of one per entry, lookups by binary search, and
// iteration in key order, which lets two tables be walked side by side. Not thread-safe, like the
// standard containers; the interface is the part of theirs that the scan uses.

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

template <typename Key, typename Value>
class FlatMap {
public:
    using key_type = Key;
    using mapped_type = Value;
    using value_type = std::pair<Key, Value>;
    using Entries = std::vector<value_type>;
    using iterator = typename Entries::iterator;
    using const_iterator = typename Entries::const_iterator;
    using size_type = std::size_t;

    FlatMap() = default;

    // Of two entries with one key the first stays, as in the standard maps.
    FlatMap(std::initializer_list<value_type> entries) {
        entries_.reserve(entries.size());
        for (const auto& [key, value] : entries) try_emplace(key, value);
    }

    // Entries in any order; of several with one key the last one stays, as when each had replaced
    // the one before. Linear for entries that come in key order.
    static FlatMap keepingLastOfEachKey(Entries entries) {
        return combiningEqualKeys(std::move(entries), [](Value& kept, Value&& later) { kept = std::move(later); });
    }

    // Entries in any order; several with one key become one, `combine(kept, later)` taking each later
    // value into the first in their order. Linear for entries that come in key order.
    template <typename Combine>
    static FlatMap combiningEqualKeys(Entries entries, Combine&& combine) {
        const auto byKey = [](const value_type& a, const value_type& b) { return a.first < b.first; };
        if (!std::is_sorted(entries.begin(), entries.end(), byKey))
            std::stable_sort(entries.begin(), entries.end(), byKey);
        auto kept = entries.begin();
        for (auto entry = entries.begin(); entry != entries.end(); ++entry) {
            if (kept != entries.begin() && std::prev(kept)->first == entry->first) {
                combine(std::prev(kept)->second, std::move(entry->second));
            } else {
                if (kept != entry) *kept = std::move(*entry);
                ++kept;
            }
        }
        entries.erase(kept, entries.end());
        FlatMap map;
        map.entries_ = std::move(entries);
        return map;
    }

    iterator begin() { return entries_.begin(); }
    iterator end() { return entries_.end(); }
    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.end(); }
    size_type size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    void reserve(size_type count) { entries_.reserve(count); }

    iterator find(const Key& key) {
        const auto found = lowerBound(key);
        return found != end() && found->first == key ? found : end();
    }
    const_iterator find(const Key& key) const { return const_cast<FlatMap&>(*this).find(key); }
    bool contains(const Key& key) const { return find(key) != end(); }

    Value& at(const Key& key) {
        const auto found = find(key);
        if (found == end()) throw std::out_of_range("FlatMap::at: no such key");
        return found->second;
    }
    const Value& at(const Key& key) const { return const_cast<FlatMap&>(*this).at(key); }
    Value& operator[](const Key& key) { return try_emplace(key).first->second; }

    // Inserts only when the key is not there yet; the arguments are then left untouched.
    template <typename... Arguments>
    std::pair<iterator, bool> try_emplace(const Key& key, Arguments&&... arguments) {
        const auto found = lowerBound(key);
        if (found != end() && found->first == key) return {found, false};
        const auto placed = entries_.emplace(found, std::piecewise_construct, std::forward_as_tuple(key),
                                             std::forward_as_tuple(std::forward<Arguments>(arguments)...));
        return {placed, true};
    }
    template <typename Mapped>
    std::pair<iterator, bool> emplace(const Key& key, Mapped&& value) {
        return try_emplace(key, std::forward<Mapped>(value));
    }
    template <typename Mapped>
    std::pair<iterator, bool> insert_or_assign(const Key& key, Mapped&& value) {
        auto result = try_emplace(key, std::forward<Mapped>(value));
        if (!result.second) result.first->second = std::forward<Mapped>(value);
        return result;
    }

    // Removes the entries (key and value) for which the predicate holds; returns how many went.
    template <typename Predicate>
    friend size_type erase_if(FlatMap& map, Predicate predicate) {
        return std::erase_if(map.entries_, predicate);
    }

    // Finds keys asked for in ascending order by walking forward from the last one found, which
    // reads the table front to back once instead of searching all of it each time.
    class AscendingFinder {
    public:
        explicit AscendingFinder(const FlatMap& map) : at_(map.begin()), end_(map.end()) {}
        // The entry of `key`, or none. `key` must not be below any key asked for before.
        const value_type* find(const Key& key) {
            while (at_ != end_ && at_->first < key) ++at_;
            return at_ != end_ && at_->first == key ? &*at_ : nullptr;
        }

    private:
        const_iterator at_, end_;
    };

    // Both sorted by key, so equal contents are equal vectors.
    friend bool operator==(const FlatMap&, const FlatMap&) = default;

private:
    // Keys arriving in order are appended without a search.
    iterator lowerBound(const Key& key) {
        if (entries_.empty() || entries_.back().first < key) return entries_.end();
        return std::lower_bound(entries_.begin(), entries_.end(), key,
                                [](const value_type& entry, const Key& wanted) { return entry.first < wanted; });
    }

    Entries entries_;
};

#pragma once
// Where a process id (a pid or a process group) stands among a few of them: the listeners, or their
// process groups. The scan asks this once for every process of the machine, so it is a small
// open-addressing hash table rather than a search. Read-only after construction; any thread.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace ProcessScannerParsing {

class ProcessIDIndex {
public:
    // `ids` distinct; the position of each is its index in this list.
    explicit ProcessIDIndex(const std::vector<std::int32_t>& ids) {
        std::size_t slots = 16;
        while (slots < ids.size() * 2) slots *= 2;
        mask_ = slots - 1;
        keys_.resize(slots);
        positions_.assign(slots, empty);
        for (std::size_t position = 0; position < ids.size(); ++position) {
            auto slot = slotOf(ids[position]);
            while (positions_[slot] != empty) slot = (slot + 1) & mask_;
            keys_[slot] = ids[position];
            positions_[slot] = position;
        }
    }

    // The keys of a map keyed by process id, such as the listening ports.
    template <typename Map>
    static ProcessIDIndex ofKeys(const Map& map) {
        std::vector<std::int32_t> ids;
        ids.reserve(map.size());
        for (const auto& entry : map) ids.push_back(entry.first);
        return ProcessIDIndex(ids);
    }

    std::optional<std::size_t> find(std::int32_t id) const {
        for (auto slot = slotOf(id); positions_[slot] != empty; slot = (slot + 1) & mask_)
            if (keys_[slot] == id) return positions_[slot];
        return std::nullopt;
    }
    bool contains(std::int32_t id) const { return find(id).has_value(); }

private:
    static constexpr std::size_t empty = std::numeric_limits<std::size_t>::max();  // a free slot

    std::size_t slotOf(std::int32_t id) const {
        return static_cast<std::size_t>((static_cast<std::uint32_t>(id) * 2654435761u) >> 7) & mask_;
    }

    std::size_t mask_ = 0;
    std::vector<std::int32_t> keys_;
    std::vector<std::size_t> positions_;
};

}  // namespace ProcessScannerParsing

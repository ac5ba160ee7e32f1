#pragma once
// Where a process group stands among the few that have a listener. The scan asks this once for
// every process of the machine, so it is a small open-addressing hash table rather than a search.
// Read-only after construction; any thread.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace ProcessScannerParsing {

class GroupIndex {
public:
    // `pgids` distinct; the position of each is its index in this list.
    explicit GroupIndex(const std::vector<std::int32_t>& pgids) {
        std::size_t slots = 16;
        while (slots < pgids.size() * 2) slots *= 2;
        mask_ = slots - 1;
        keys_.resize(slots);
        positions_.assign(slots, empty);
        for (std::size_t position = 0; position < pgids.size(); ++position) {
            auto slot = slotOf(pgids[position]);
            while (positions_[slot] != empty) slot = (slot + 1) & mask_;
            keys_[slot] = pgids[position];
            positions_[slot] = position;
        }
    }

    std::optional<std::size_t> find(std::int32_t pgid) const {
        for (auto slot = slotOf(pgid); positions_[slot] != empty; slot = (slot + 1) & mask_)
            if (keys_[slot] == pgid) return positions_[slot];
        return std::nullopt;
    }

private:
    static constexpr std::size_t empty = std::numeric_limits<std::size_t>::max();  // a free slot

    std::size_t slotOf(std::int32_t pgid) const {
        return static_cast<std::size_t>((static_cast<std::uint32_t>(pgid) * 2654435761u) >> 7) & mask_;
    }

    std::size_t mask_ = 0;
    std::vector<std::int32_t> keys_;
    std::vector<std::size_t> positions_;
};

}  // namespace ProcessScannerParsing

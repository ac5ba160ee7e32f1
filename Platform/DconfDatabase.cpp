#include "Platform/DconfDatabase.h"

#include <cstdint>

namespace Platform::DconfDatabase {
namespace {

// dconf writes the file in the machine's own byte order; this reads the little-endian one.
constexpr std::string_view signature = "GVariant";
constexpr std::size_t headerSize = 24;  // signature, version, options, root pointer
constexpr std::size_t itemSize = 24;
constexpr std::uint32_t noParent = 0xffffffff;

class Table {
public:
    explicit Table(std::string_view bytes) : bytes_(bytes) {}

    bool open() {
        if (bytes_.size() < headerSize || !bytes_.starts_with(signature)) return false;
        const std::uint32_t start = word(16), end = word(20);
        if (start > end || end > bytes_.size() || end - start < 8) return false;
        // The hash table: Bloom filter words (the top 5 bits hold its shift), buckets, then items.
        const std::uint64_t bloomWords = word(start) & 0x07ffffff, buckets = word(start + 4);
        const std::uint64_t items = std::uint64_t{start} + 8 + 4 * (bloomWords + buckets);
        if (items > end) return false;
        items_ = static_cast<std::size_t>(items);
        count_ = (end - items_) / itemSize;
        return true;
    }

    // The item whose chained name is `key` and that holds a value; none without one.
    std::optional<std::string_view> value(std::string_view key) const {
        for (std::size_t index = 0; index < count_; ++index) {
            if (type(index) == 'v' && named(index, key)) return pointed(item(index) + 16);
        }
        return std::nullopt;
    }

private:
    std::uint32_t word(std::size_t at) const {
        if (at + 4 > bytes_.size()) return 0;
        std::uint32_t value = 0;
        for (std::size_t byte = 4; byte-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes_[at + byte]);
        return value;
    }
    std::uint16_t half(std::size_t at) const {
        const auto first = static_cast<unsigned char>(bytes_[at]), second = static_cast<unsigned char>(bytes_[at + 1]);
        return static_cast<std::uint16_t>(second << 8 | first);
    }
    std::size_t item(std::size_t index) const { return items_ + index * itemSize; }
    char type(std::size_t index) const { return bytes_[item(index) + 14]; }

    // The bytes a (start, end) pointer at `at` names; none when they lie outside the file.
    std::optional<std::string_view> pointed(std::size_t at) const {
        const std::uint32_t start = word(at), end = word(at + 4);
        if (start > end || end > bytes_.size()) return std::nullopt;
        return bytes_.substr(start, end - start);
    }

    // Whether the item's piece of name, after those of its parents, spells `key`. Every step takes
    // a piece off the key's end or ends, so a table whose parents loop cannot hold it up for long.
    bool named(std::size_t index, std::string_view key) const {
        for (std::size_t steps = 0; steps <= count_; ++steps) {
            const std::size_t at = item(index);
            const std::uint32_t start = word(at + 8);
            const std::uint16_t size = half(at + 12);
            if (std::uint64_t{start} + size > bytes_.size()) return false;
            const std::string_view piece = bytes_.substr(start, size);
            if (!key.ends_with(piece)) return false;
            key.remove_suffix(piece.size());
            const std::uint32_t parent = word(at + 4);
            if (parent == noParent) return key.empty();
            if (parent >= count_) return false;
            index = parent;
        }
        return false;
    }

    std::string_view bytes_;
    std::size_t items_ = 0, count_ = 0;
};

}  // namespace

std::optional<bool> boolean(std::string_view database, std::string_view key) {
    Table table(database);
    if (!table.open()) return std::nullopt;
    // A variant: the value's bytes, a NUL, then its type ("b": one byte, 0 or 1).
    const std::optional<std::string_view> variant = table.value(key);
    if (!variant || variant->size() != 3 || variant->substr(1) != std::string_view("\0b", 2)) return std::nullopt;
    const char value = variant->front();
    if (value != 0 && value != 1) return std::nullopt;
    return value == 1;
}

}  // namespace Platform::DconfDatabase

#include "Platform/PropertyList.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <mutex>
#include <optional>
#include <vector>

namespace Platform::PropertyList {
namespace {

std::mutex& libraryMutex() {
    static std::mutex mutex;
    return mutex;
}

// --- XML --------------------------------------------------------------------------------------
//
// Counts element nesting the way the library's own reader sees the text: comments, CDATA sections,
// processing instructions and declarations hide what they hold, and a double-quoted attribute value
// may hold "<" and ">". A tag ending in "/>" opens nothing. The scan errs towards counting too deep,
// never too shallow: an unterminated construct ends the scan, since the library cannot read past it.

class XMLDepthScan {
public:
    explicit XMLDepthScan(std::string_view text) : text_(text) {}

    bool deeperThan(std::size_t limit) {
        std::size_t depth = 0;
        for (std::size_t at = text_.find('<'); at != npos; at = text_.find('<', at)) {
            const std::string_view rest = text_.substr(at);
            if (rest.starts_with("<!--")) {
                at = after(at + 4, "-->");
            } else if (rest.starts_with("<![CDATA[")) {
                at = after(at + 9, "]]>");
            } else if (rest.starts_with("<?")) {
                at = after(at + 2, "?>");
            } else if (rest.starts_with("<!")) {
                at = afterDeclaration(at + 2);
            } else if (rest.starts_with("</")) {
                at = afterTag(at + 2, nullptr);
                if (depth > 0) --depth;
            } else {
                bool selfClosing = false;
                at = afterTag(at + 1, &selfClosing);
                if (!selfClosing && ++depth > limit) return true;
            }
        }
        return false;
    }

private:
    static constexpr std::size_t npos = std::string_view::npos;

    std::size_t after(std::size_t from, std::string_view terminator) const {
        const std::size_t found = text_.find(terminator, from);
        return found == npos ? npos : found + terminator.size();
    }

    // A declaration such as <!DOCTYPE plist [ ... ]>: an internal subset in brackets may hold ">".
    std::size_t afterDeclaration(std::size_t from) const {
        for (std::size_t at = from; at < text_.size(); ++at) {
            if (text_[at] == '>') return at + 1;
            if (text_[at] == '[') {
                at = text_.find(']', at);
                if (at == npos) return npos;
            }
        }
        return npos;
    }

    // Past the ">" that ends a tag, skipping double-quoted attribute values. A tag that never ends
    // opens nothing the library could read.
    std::size_t afterTag(std::size_t from, bool* selfClosing) const {
        for (std::size_t at = from; at < text_.size(); ++at) {
            if (text_[at] == '"') {
                at = text_.find('"', at + 1);
                if (at == npos) break;
            } else if (text_[at] == '>') {
                if (selfClosing) *selfClosing = text_[at - 1] == '/';
                return at + 1;
            }
        }
        if (selfClosing) *selfClosing = true;
        return npos;
    }

    std::string_view text_;
};

// --- binary -----------------------------------------------------------------------------------
//
// The layout: "bplist00", the objects, a table of each object's offset, and a 32-byte trailer
// giving the sizes of offsets and object references, the number of objects, the root object and
// where the offset table starts. Arrays, sets and dictionaries hold references to other objects
// (a dictionary its keys' and then its values'); the library follows each reference anew, so a
// shared object is read once for every reference to it.
//
// The scan follows the same references from the root, each object once, and finds the longest chain
// and the number of nodes the library would build. What the library would refuse to read (a
// reference or offset out of range, a loop) is refused here as well, so nothing it reads can escape
// the scan.

constexpr std::string_view binaryMagic = "bplist00";
constexpr std::size_t trailerSize = 32;

bool isPlainIntegerSize(std::uint64_t size) { return size == 1 || size == 2 || size == 4 || size == 8; }

std::uint64_t readBigEndian(const unsigned char* at, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) value = value << 8 | at[i];
    return value;
}

class BinaryLayoutScan {
public:
    explicit BinaryLayoutScan(std::string_view bytes)
        : data_(reinterpret_cast<const unsigned char*>(bytes.data())), size_(bytes.size()) {}

    // True when the document is within the limits and laid out as the library reads it.
    bool withinLimits(std::size_t nesting, std::size_t expandedNodes) {
        if (!readTrailer()) return false;
        struct Frame {
            std::uint64_t object;
            Children children;
            std::uint64_t next = 0;  // the child to visit next
        };
        std::vector<Frame> path;
        height_.assign(objectCount_, 0);
        expanded_.assign(objectCount_, 0);
        state_.assign(objectCount_, State::unvisited);

        // Visits an object: a leaf is done at once, a container goes on the path.
        const auto enter = [&](std::uint64_t object) -> bool {
            if (state_[object] == State::onPath) return false;  // a loop: the library refuses it
            if (state_[object] == State::done) return true;
            const std::optional<Children> children = childrenOf(object);
            if (!children) return false;
            if (children->count == 0) {
                state_[object] = State::done, height_[object] = 1, expanded_[object] = 1;
                return true;
            }
            if (path.size() >= nesting) return false;
            state_[object] = State::onPath;
            path.push_back({object, *children});
            return true;
        };

        if (!enter(rootObject_)) return false;
        while (!path.empty()) {
            Frame& frame = path.back();
            if (frame.next < frame.children.count) {
                const std::uint64_t child =
                    readBigEndian(frame.children.references + frame.next * referenceSize_, referenceSize_);
                ++frame.next;
                if (child >= objectCount_ || !enter(child)) return false;
                continue;
            }
            // All children done: the container's own figures follow from theirs.
            std::size_t height = 0, nodes = 1;
            for (std::uint64_t i = 0; i < frame.children.count; ++i) {
                const std::uint64_t child =
                    readBigEndian(frame.children.references + i * referenceSize_, referenceSize_);
                height = std::max(height, height_[child]);
                nodes += expanded_[child];
                if (nodes > expandedNodes) return false;
            }
            height_[frame.object] = height + 1;
            expanded_[frame.object] = nodes;
            state_[frame.object] = State::done;
            path.pop_back();
        }
        return height_[rootObject_] <= nesting + 1 && expanded_[rootObject_] <= expandedNodes;
    }

private:
    enum class State : std::uint8_t { unvisited, onPath, done };
    struct Children {
        const unsigned char* references = nullptr;
        std::uint64_t count = 0;
    };

    bool readTrailer() {
        if (size_ < binaryMagic.size() + trailerSize) return false;
        const unsigned char* trailer = data_ + size_ - trailerSize;
        offsetSize_ = trailer[6];
        referenceSize_ = trailer[7];
        objectCount_ = readBigEndian(trailer + 8, 8);
        rootObject_ = readBigEndian(trailer + 16, 8);
        const std::uint64_t tableStart = readBigEndian(trailer + 24, 8);
        if (!isPlainIntegerSize(offsetSize_) || !isPlainIntegerSize(referenceSize_)) return false;
        if (objectCount_ == 0 || rootObject_ >= objectCount_) return false;
        const std::uint64_t tableEnd = size_ - trailerSize;
        if (tableStart < binaryMagic.size() || tableStart >= tableEnd) return false;
        if (objectCount_ > (tableEnd - tableStart) / offsetSize_) return false;
        offsetTable_ = tableStart;
        return true;
    }

    // An object's kind (the marker's high half), its count (elements, bytes or characters) and where
    // its content starts; no value when any of it lies outside the object area.
    struct Object {
        unsigned kind = 0;
        std::uint64_t count = 0;
        std::uint64_t content = 0;
    };
    std::optional<Object> objectAt(std::uint64_t object) const {
        const std::uint64_t offset = readBigEndian(data_ + offsetTable_ + object * offsetSize_, offsetSize_);
        if (offset < binaryMagic.size() || offset >= offsetTable_) return std::nullopt;
        std::uint64_t at = offset;
        const unsigned char marker = data_[at++];
        const unsigned kind = marker >> 4;
        // Only the kinds looked into have their count read: strings, arrays, sets and dictionaries.
        if (kind != 0x5 && kind != 0x6 && kind != 0xA && kind != 0xC && kind != 0xD) return Object{kind, 0, at};
        std::uint64_t count = marker & 0x0F;
        if (count == 0x0F) {
            // The count follows as an integer object of 1, 2, 4 or 8 bytes.
            if (at >= offsetTable_ || data_[at] >> 4 != 0x1) return std::nullopt;
            const std::uint64_t countSize = std::uint64_t{1} << (data_[at] & 0x0F);
            ++at;
            if (!isPlainIntegerSize(countSize) || countSize > offsetTable_ - at) return std::nullopt;
            count = readBigEndian(data_ + at, countSize);
            at += countSize;
        }
        return Object{kind, count, at};
    }

    // The library cannot take a dictionary key holding a NUL character out of a UTF-16 string: it
    // stops the program on an assertion. Keys holding one are refused in either string form.
    bool isKeyWithNul(std::uint64_t object) const {
        if (object >= objectCount_) return false;  // refused as out of range where it is followed
        const std::optional<Object> key = objectAt(object);
        if (!key || (key->kind != 0x5 && key->kind != 0x6)) return false;
        const std::uint64_t unit = key->kind == 0x6 ? 2 : 1;
        if (key->count > (offsetTable_ - key->content) / unit) return false;  // the library refuses it
        const unsigned char* text = data_ + key->content;
        for (std::uint64_t i = 0; i < key->count; ++i)
            if (text[i * unit] == 0 && text[i * unit + unit - 1] == 0) return true;
        return false;
    }

    // The references an object holds (none for a leaf); no value when the object or its references
    // lie outside the object area, or when the library could not take it.
    std::optional<Children> childrenOf(std::uint64_t object) const {
        const std::optional<Object> found = objectAt(object);
        if (!found) return std::nullopt;
        const bool isArrayOrSet = found->kind == 0xA || found->kind == 0xC, isDictionary = found->kind == 0xD;
        if (!isArrayOrSet && !isDictionary) return Children{};
        const std::uint64_t references = isDictionary ? 2 : 1;
        const std::uint64_t room = (offsetTable_ - found->content) / referenceSize_;
        if (found->count > room / references) return std::nullopt;
        const Children children{data_ + found->content, found->count * references};
        if (isDictionary) {
            for (std::uint64_t i = 0; i < found->count; ++i)
                if (isKeyWithNul(readBigEndian(children.references + i * referenceSize_, referenceSize_)))
                    return std::nullopt;
        }
        return children;
    }

    const unsigned char* data_;
    std::uint64_t size_;
    std::uint64_t offsetSize_ = 0, referenceSize_ = 0, objectCount_ = 0, rootObject_ = 0, offsetTable_ = 0;
    std::vector<std::size_t> height_, expanded_;
    std::vector<State> state_;
};

}  // namespace

bool isOutsideLimits(std::string_view bytes, std::size_t nesting, std::size_t expandedNodes) {
    if (bytes.starts_with(binaryMagic)) return !BinaryLayoutScan(bytes).withinLimits(nesting, expandedNodes);
    return XMLDepthScan(bytes).deeperThan(nesting);
}

Node parse(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max()) return nullptr;
    if (isOutsideLimits(bytes)) return nullptr;
    plist_t root = nullptr;
    std::lock_guard lock(libraryMutex());
    plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
    return Node(root);
}

std::string toXML(plist_t node) {
    if (!node) return {};
    char* text = nullptr;
    std::uint32_t length = 0;
    std::lock_guard lock(libraryMutex());
    plist_to_xml(node, &text, &length);
    std::string xml(text ? text : "", text ? length : 0);
    if (text) plist_to_xml_free(text);
    return xml;
}

}  // namespace Platform::PropertyList

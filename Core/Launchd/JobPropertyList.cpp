#include "Core/Launchd/JobPropertyList.h"

#include <cstddef>
#include <cstdint>

#include "Platform/AtomicFile.h"
#include "Platform/PropertyList.h"

namespace JobPropertyList {

namespace {

// A job's property list takes a few kilobytes.
constexpr std::size_t maximumFileSize = 4 << 20;

}  // namespace

bool keepsAlive(plist_t value) {
    if (!value) return false;
    switch (plist_get_node_type(value)) {
    case PLIST_BOOLEAN: {
        std::uint8_t flag = 0;
        plist_get_bool_val(value, &flag);
        return flag != 0;
    }
    case PLIST_UINT: {
        // Negative integers are stored as their two's complement; either way only zero is false.
        std::uint64_t number = 0;
        plist_get_uint_val(value, &number);
        return number != 0;
    }
    case PLIST_REAL: {
        double number = 0;
        plist_get_real_val(value, &number);
        return number != 0;
    }
    case PLIST_DICT: return true;  // conditional keep-alive (SuccessfulExit, PathState…) still restarts the job
    default: return false;
    }
}

bool fileKeepsAlive(const std::string& path) {
    // Only a regular file is read: a FIFO or a device at the reported path must not hang the scan.
    const auto contents = Platform::readWholeFile(path, maximumFileSize);
    if (!contents || contents->empty()) return false;
    // Refuses, like a file that is no property list, one nested too deep for the library.
    const Platform::PropertyList::Node root = Platform::PropertyList::parse(*contents);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT) return false;
    // The node belongs to the dictionary; a missing key gives a null node, which counts as false.
    return keepsAlive(plist_dict_get_item(root.get(), "KeepAlive"));
}

}  // namespace JobPropertyList

#pragma once
// Reading and writing property lists (XML or binary) with libplist, guarded against documents that
// would take the library down. libplist recurses once per level of nesting, so a file nested a few
// hundred thousand levels deep overflows the stack; and a binary document whose objects share
// children is copied out in full, so a few dozen levels of doubled references expand into more nodes
// than any machine holds; and a dictionary key holding a NUL character in UTF-16 stops the program
// on one of its assertions. Such documents are refused before the library sees them, exactly like
// bytes that are no property list at all.
//
// Threads: any. Calls into the library are serialised, since it does not promise that its parser
// and writer may run on several threads at once.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include <plist/plist.h>

namespace Platform::PropertyList {

// Deeper than this, arrays and dictionaries are refused. Real property lists stay within a handful
// of levels.
inline constexpr std::size_t maxNesting = 512;
// A binary document that would expand into more nodes than this is refused.
inline constexpr std::size_t maxExpandedNodes = std::size_t{1} << 20;

struct NodeDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using Node = std::unique_ptr<std::remove_pointer_t<plist_t>, NodeDeleter>;

// The document's root, or null when the bytes are empty, not a property list, longer than the library
// takes, or refused by isOutsideLimits.
Node parse(std::string_view bytes);

// Whether the document nests arrays and dictionaries (elements, for XML) deeper than `nesting`, or, in
// binary form, refers from an object back to itself, expands into more than `expandedNodes` nodes,
// has a dictionary key holding a NUL character or is laid out in a way the library would not read
// either. A linear scan that builds nothing.
bool isOutsideLimits(std::string_view bytes, std::size_t nesting = maxNesting,
                     std::size_t expandedNodes = maxExpandedNodes);

// The XML text of a node; empty when the library gives none.
std::string toXML(plist_t node);

}  // namespace Platform::PropertyList

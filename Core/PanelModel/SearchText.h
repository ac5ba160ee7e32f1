#pragma once
// The panel's search text: what counts as blank around a query, and lower-casing for a match that
// ignores case in any script (Développement matches DÉV). Pure functions; any thread.

#include <string>
#include <string_view>

namespace SearchText {

// Without leading and trailing blanks: the tab and the Unicode space separators (the ordinary space,
// no-break space, the typographic spaces, ideographic space...). Line breaks are kept.
std::string_view trimmingBlanks(std::string_view text);

// Each character lower-cased by Unicode's simple case mapping; bytes that are not UTF-8 are kept.
std::string lowercased(std::string_view text);

}  // namespace SearchText

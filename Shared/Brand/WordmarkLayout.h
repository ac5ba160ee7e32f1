#pragma once
// Where the wordmark's parts go: the ghost, sized by the cap height of the brand font, stands on
// the text baseline with its body exactly one cap height tall, then a gap, then the product name.
// All lengths are in the same unit as `size` and `capHeight`.

#include <string_view>

struct WordmarkLayout {
    static constexpr std::string_view text = "vellumark";
    static constexpr std::string_view accessibilityLabel = "Vellumark";

    double ghostWidth = 0;     // the logo's frame (with its 10-unit margins): capHeight × 140/132
    double ghostHeight = 0;    // capHeight × 152/132
    double ghostBaseline = 0;  // from the frame's top to the bottom of the feet: capHeight × 142/132
    double spacing = 0;        // between the frame and the text: size × 0.55
    double tracking = 0;       // added after every letter of the text: size × 0.04

    // The layout for a brand font of that size whose cap height is `capHeight`.
    static WordmarkLayout forSize(double size, double capHeight);
};

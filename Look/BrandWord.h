#pragma once
// The product word inside a sentence, set in the brand typeface while the rest of the sentence
// keeps its own font ("Right-click a server in the Vellumark menu…"). Only the first occurrence is
// set apart. Main thread only (fonts).

#include <QFont>
#include <QString>

#include <optional>

namespace BrandWord {

inline constexpr const char* word = "Vellumark";

// The text around the first product word; none when the text does not hold it.
struct Split {
    QString before;
    QString after;
};
std::optional<Split> split(const QString& text);

// The text as rich text for a label: HTML-escaped, with its first product word in the brand face
// of `size` design points, regular weight, and the rest in the label's own font.
QString richText(const QString& text, qreal size);

// The brand face in which the product word is set next to text in `font`: the same size, regular.
QFont fontBeside(const QFont& font);

}  // namespace BrandWord

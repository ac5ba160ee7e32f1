#include "Controls/TextWidths.h"

#include <QFontMetricsF>
#include <QHash>

#include <optional>
#include <utility>

namespace TextWidths {
namespace {

// By font, then text.
using Widths = QHash<QFont, QHash<QString, qreal>>;

struct Generation {
    Widths widths;
    std::size_t count = 0;

    std::optional<qreal> take(const QFont& font, const QString& text) {
        const auto inFont = widths.find(font);
        if (inFont == widths.end()) return std::nullopt;
        const auto found = inFont->find(text);
        if (found == inFont->end()) return std::nullopt;
        const qreal width = *found;
        inFont->erase(found);
        --count;
        return width;
    }
};

struct Memory {
    Generation newer, older;
};

Memory& memory() {
    static Memory* const shared = new Memory;
    return *shared;
}

}  // namespace

qreal advance(const QFont& font, const QString& text) {
    Memory& remembered = memory();
    if (const auto inFont = remembered.newer.widths.constFind(font); inFont != remembered.newer.widths.constEnd())
        if (const auto found = inFont->constFind(text); found != inFont->constEnd()) return *found;
    std::optional<qreal> width = remembered.older.take(font, text);
    if (!width) width = QFontMetricsF(font).horizontalAdvance(text);
    if (remembered.newer.count >= generationSize) remembered.older = std::exchange(remembered.newer, Generation{});
    remembered.newer.widths[font][text] = *width;
    ++remembered.newer.count;
    return *width;
}

std::size_t rememberedTexts() { return memory().newer.count + memory().older.count; }

}  // namespace TextWidths

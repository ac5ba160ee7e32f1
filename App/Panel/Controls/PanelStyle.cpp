#include "App/Panel/Controls/PanelStyle.h"

#include <cmath>
#include <map>
#include <tuple>

#include "Look/Theme.h"

namespace PanelStyle {
namespace {

enum class Family { system, systemMono, mono };

const QFont& cachedFont(Family family, qreal size, QFont::Weight weight) {
    // Sizes are kept to a hundredth of a point, which is finer than any view asks for.
    static std::map<std::tuple<Family, long, int>, QFont> fonts;
    const auto key = std::make_tuple(family, std::lround(size * 100), int(weight));
    auto found = fonts.find(key);
    if (found == fonts.end()) {
        QFont font = family == Family::mono         ? Theme::mono(size, weight)
                     : family == Family::systemMono ? Fonts::systemFixedFont(size, weight)
                                                    : Fonts::systemFont(size, weight);
        found = fonts.emplace(key, font).first;
    }
    return found->second;
}

}  // namespace

const QFont& systemFont(qreal size, QFont::Weight weight) { return cachedFont(Family::system, size, weight); }
const QFont& systemMonoFont(qreal size, QFont::Weight weight) { return cachedFont(Family::systemMono, size, weight); }
const QFont& monoFont(qreal size, QFont::Weight weight) { return cachedFont(Family::mono, size, weight); }

}  // namespace PanelStyle

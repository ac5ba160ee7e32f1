#pragma once
// The product's font faces as Qt fonts. The faces come from the fonts packages (JetBrains Mono and
// Manrope, static weights under fonts/truetype/ in the system's data folders); their files are
// registered with Qt's font database on first use, so they load even where fontconfig does not
// list them.
//
// Sizes everywhere in Brand and Theme are design points: one design point is one logical pixel,
// the unit widget geometry is measured in, so type keeps its proportion to the layout (a size 15
// wordmark is 15 pixels tall from baseline to ascender line whatever the desktop's font DPI).
// Needs a QGuiApplication; main thread only.

#include <functional>
#include <optional>
#include <string_view>

#include <QFont>

#include "Shared/Brand/FontFaces.h"

namespace Fonts {

// Finds a face by PostScript name at a design size; none when it cannot be had.
using FontLookup = std::function<std::optional<QFont>(std::string_view postScriptName, qreal size)>;

// The product's face with that PostScript name at `size`. None for a name that is not one of the
// product's faces, and none when the face's files are missing and no installed font provides it.
std::optional<QFont> fontNamed(std::string_view postScriptName, qreal size);

// The desktop's general font, and its fixed-pitch font, at `size` and `weight`.
QFont systemFont(qreal size, QFont::Weight weight);
QFont systemFixedFont(qreal size, QFont::Weight weight);

// Qt's weights share the OpenType scale with FontWeight.
FontWeight fontWeight(QFont::Weight weight);

// Sets a design size on a font; sizes below 1 (and sizes that are not numbers) become 1.
void setDesignSize(QFont& font, qreal size);

}  // namespace Fonts

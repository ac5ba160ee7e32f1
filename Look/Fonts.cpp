#include "Look/Fonts.h"

#include <cmath>
#include <set>
#include <string>

#include <QFontDatabase>
#include <QFontInfo>
#include <QStandardPaths>

namespace {

// Qt converts point sizes with 96 logical dots per inch; a design point is one of those dots.
constexpr qreal pointsPerDesignPoint = 72.0 / 96.0;

QFont faceFont(const FontFace& face) {
    QFont font(QString::fromUtf8(face.family.data(), qsizetype(face.family.size())));
    font.setWeight(QFont::Weight(face.weight));
    return font;
}

// A face counts as available when the font database resolves its family and weight to exactly that
// face rather than to a substitute or a synthesised weight.
bool resolvesToFace(const FontFace& face) {
    const QFontInfo info(faceFont(face));
    return info.family() == QString::fromUtf8(face.family.data(), qsizetype(face.family.size())) &&
           info.styleName() == QString::fromUtf8(face.styleName.data(), qsizetype(face.styleName.size()));
}

void registerFontFile(const FontFace& face) {
    const QString relative = QStringLiteral("fonts/truetype/%1/%2")
                                 .arg(QString::fromUtf8(face.folder.data(), qsizetype(face.folder.size())),
                                      QString::fromUtf8(face.fileName.data(), qsizetype(face.fileName.size())));
    const QString path = QStandardPaths::locate(QStandardPaths::GenericDataLocation, relative);
    if (!path.isEmpty()) QFontDatabase::addApplicationFont(path);
}

// Registered and checked once for the life of the process.
const std::set<std::string, std::less<>>& availableFaces() {
    static const std::set<std::string, std::less<>> available = [] {
        std::set<std::string, std::less<>> names;
        for (const FontFace& face : FontFaces::all()) registerFontFile(face);
        for (const FontFace& face : FontFaces::all())
            if (resolvesToFace(face)) names.emplace(face.postScriptName);
        return names;
    }();
    return available;
}

}  // namespace

std::optional<QFont> Fonts::fontNamed(std::string_view postScriptName, qreal size) {
    const std::optional<FontFace> face = FontFaces::named(postScriptName);
    if (!face || !availableFaces().contains(postScriptName)) return std::nullopt;
    QFont font = faceFont(*face);
    setDesignSize(font, size);
    return font;
}

QFont Fonts::systemFont(qreal size, QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setWeight(weight);
    setDesignSize(font, size);
    return font;
}

QFont Fonts::systemFixedFont(qreal size, QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setWeight(weight);
    setDesignSize(font, size);
    return font;
}

FontWeight Fonts::fontWeight(QFont::Weight weight) { return static_cast<FontWeight>(int(weight)); }

void Fonts::setDesignSize(QFont& font, qreal size) {
    if (!std::isfinite(size) || size < 1) size = 1;
    font.setPointSizeF(size * pointsPerDesignPoint);
}

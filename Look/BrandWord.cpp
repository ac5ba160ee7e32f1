#include "Look/BrandWord.h"

#include "Look/Brand.h"

std::optional<BrandWord::Split> BrandWord::split(const QString& text) {
    const QString product = QString::fromLatin1(word);
    const qsizetype at = text.indexOf(product);
    if (at < 0) return std::nullopt;
    return Split{text.left(at), text.mid(at + product.size())};
}

QString BrandWord::richText(const QString& text, qreal size) {
    const auto parts = split(text);
    if (!parts) return text.toHtmlEscaped();
    const QFont brand = Brand::brandFont(size, QFont::Normal);
    return parts->before.toHtmlEscaped() +
           QStringLiteral("<span style=\"font-family:'%1'; font-size:%2pt; font-weight:%3\">%4</span>")
               .arg(brand.family())
               .arg(brand.pointSizeF())
               .arg(int(brand.weight()))
               .arg(QString::fromLatin1(word)) +
           parts->after.toHtmlEscaped();
}

QFont BrandWord::fontBeside(const QFont& font) {
    QFont brand = Brand::brandFont(1, QFont::Normal);
    if (font.pixelSize() > 0) brand.setPixelSize(font.pixelSize());
    else brand.setPointSizeF(font.pointSizeF());
    return brand;
}

#pragma once
// The five status images, drawn in code in place of image assets: the brand ghost filled in the
// state's colour, outlined and with eyes in the brand ink so it reads on light and dark panels alike.
// They are full-colour images (never recoloured by the desktop like a template icon).

#include <QColor>
#include <QImage>
#include <QString>

namespace StatusImages {

// Tray hosts ask for 16 to 48 pixels; drawing larger lets them scale down cleanly.
inline constexpr int defaultSize = 64;

// "StatusTile-idle", "-running", "-energy", "-new" or "-conflict" as a square transparent image of
// `size` pixels; a null image for any other name (a missing asset) or a size below 1.
QImage image(const QString& name, int size = defaultSize);

// The fill colour of a named image; invalid for other names.
QColor fillColour(const QString& name);

// The image scaled by `scale` about its centre and drawn at `opacity`, on a transparent canvas of
// the same size (what the tray shows during a pulse). The ghost leaves a margin, so the 1.18 peak
// of the pulse still fits.
QImage pulseFrame(const QImage& image, double scale, double opacity);

}  // namespace StatusImages

// Draws the application icon, quaxel2.png, at the sizes given on the
// command line: quaxel2-icon FOLDER SIZE... writes FOLDER/SIZExSIZE/quaxel2.png.
// Shapes only (no text), so that it needs no fonts and no display.
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// A rounded tile in the editor's dark blue, a ring, and one period of a
// plucked wave decaying across it. Drawn in a 256-unit square, then scaled.
QImage drawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 256.0, size / 256.0);

    QLinearGradient tile(0, 0, 0, 256);
    tile.setColorAt(0, QColor(0x2b, 0x3a, 0x55));
    tile.setColorAt(1, QColor(0x14, 0x1c, 0x2b));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0xf2, 0xa5, 0x3c), 18, Qt::SolidLine, Qt::RoundCap));
    painter.drawEllipse(QPointF(128, 122), 76, 76);
    painter.drawLine(QPointF(170, 166), QPointF(210, 206));

    QPainterPath wave;
    for (int x = 0; x <= 120; ++x) {
        const double t = x / 120.0;
        const double y = 122 - 46 * std::exp(-2.2 * t) * std::sin(2 * M_PI * 2 * t);
        if (x == 0)
            wave.moveTo(68 + x, y);
        else
            wave.lineTo(68 + x, y);
    }
    painter.setPen(QPen(QColor(0x9f, 0xd8, 0xe8), 12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(wave);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: quaxel2-icon FOLDER SIZE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 16 || size > 1024) {
            std::fprintf(stderr, "quaxel2-icon: a size from 16 to 1024, not '%s'\n", argv[i]);
            return 2;
        }
        const QString folder = QString("%1/%2x%2").arg(argv[1]).arg(size);
        if (!QDir().mkpath(folder) || !drawIcon(size).save(folder + "/quaxel2.png", "PNG")) {
            std::fprintf(stderr, "quaxel2-icon: cannot write %s/quaxel2.png\n", folder.toLocal8Bit().constData());
            return 1;
        }
    }
    return 0;
}

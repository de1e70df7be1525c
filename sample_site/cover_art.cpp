#include "sample_site/cover_art.h"

#include <QBuffer>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <random>

namespace veldo {

std::string PaintCoverPng(uint32_t seed, int size) {
    std::mt19937 dice(seed * 40503u + 7u);
    auto below = [&dice](int n) { return static_cast<int>(dice() % static_cast<uint32_t>(n)); };

    QImage image(size, size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    const int hue = below(360);
    QLinearGradient background(0, 0, size, size);
    background.setColorAt(0, QColor::fromHsv(hue, 120 + below(80), 230));
    background.setColorAt(1, QColor::fromHsv((hue + 40 + below(80)) % 360, 200, 90 + below(60)));
    painter.fillRect(image.rect(), background);

    painter.setPen(Qt::NoPen);
    const int shapes = 7 + below(8);
    for (int k = 0; k < shapes; ++k) {
        const QColor colour = QColor::fromHsv((hue + 150 + below(120)) % 360, 90 + below(160),
                                              140 + below(115), 70 + below(140));
        painter.setBrush(colour);
        const int x = below(size), y = below(size), r = size / 16 + below(size / 4);
        painter.save();
        painter.translate(x, y);
        painter.rotate(below(360));
        switch (below(4)) {
        case 0:
            painter.drawEllipse(QPoint(0, 0), r, r);
            break;
        case 1:
            painter.drawRoundedRect(-r, -r / 2, 2 * r, r, r / 5.0, r / 5.0);
            break;
        case 2: {
            QPainterPath triangle;
            triangle.moveTo(0, -r);
            triangle.lineTo(r, r);
            triangle.lineTo(-r, r);
            triangle.closeSubpath();
            painter.drawPath(triangle);
            break;
        }
        default:
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(colour, 2 + below(6)));
            for (int ring = r; ring > 4; ring -= 6 + below(10))
                painter.drawEllipse(QPoint(0, 0), ring, ring);
            painter.setPen(Qt::NoPen);
        }
        painter.restore();
    }
    painter.end();

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png.toStdString();
}

} // namespace veldo

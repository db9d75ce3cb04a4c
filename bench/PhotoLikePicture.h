#pragma once

// A picture for the decoding benchmarks: shapes and gradients with grain on top, so that its
// JPEG data is about as dense as a photograph's.

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>

inline QImage PhotoLikePicture(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(40, 90, 180));
    sky.setColorAt(0.5, QColor(230, 200, 160));
    sky.setColorAt(1, QColor(40, 110, 40));
    painter.fillRect(image.rect(), sky);
    QRandomGenerator random(6000);
    for (int shape = 0; shape < 400; ++shape) {
        const QColor colour = QColor::fromHsv(random.bounded(360), 80 + random.bounded(170),
            60 + random.bounded(190), 120 + random.bounded(130));
        painter.setPen(QPen(colour.darker(150), 1 + random.bounded(8)));
        painter.setBrush(colour);
        const QPointF centre(random.bounded(size.width()), random.bounded(size.height()));
        const double radius = 20 + random.bounded(400);
        if (shape % 3)
            painter.drawEllipse(centre, radius, radius * (0.5 + random.generateDouble()));
        else
            painter.drawRect(QRectF(centre, QSizeF(radius, radius * 0.7)));
    }
    painter.end();
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = int(random.bounded(25)) - 12;
            const QRgb pixel = line[x];
            line[x] = qRgb(std::clamp(qRed(pixel) + grain, 0, 255),
                std::clamp(qGreen(pixel) + grain, 0, 255),
                std::clamp(qBlue(pixel) + grain, 0, 255));
        }
    }
    return image;
}

#include "widgets/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>
#include <numbers>

namespace tirelon::icons {

namespace {

using Drawing = std::function<void(QPainter&)>;

// Draws the picture in device-independent coordinates at scale 1 and 2.
QIcon drawn(QSize size, const Drawing& draw) {
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0}) {
        QPixmap pixmap(size * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPen outline(const QColor& color, qreal width = 1.0) {
    QPen pen(color, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

void drawCross(QPainter& p, const QRectF& box, qreal width) {
    const QLineF down(box.topLeft(), box.bottomRight());
    const QLineF up(box.bottomLeft(), box.topRight());
    p.setPen(outline(QColor(0x8e, 0x10, 0x16), width + 2));
    p.drawLine(down);
    p.drawLine(up);
    p.setPen(outline(QColor(0xe0, 0x2b, 0x33), width));
    p.drawLine(down);
    p.drawLine(up);
}

void drawRightArrow(QPainter& p, qreal left, qreal right, qreal middle, qreal half) {
    const qreal head = right - half * 1.6;
    const qreal shaft = half * 0.45;
    const QPolygonF arrow{{left, middle - shaft}, {head, middle - shaft}, {head, middle - half},
                          {right, middle},        {head, middle + half},  {head, middle + shaft},
                          {left, middle + shaft}};
    p.setPen(outline(QColor(0x1b, 0x6e, 0x28)));
    p.setBrush(QColor(0x34, 0xa8, 0x45));
    p.drawPolygon(arrow);
}

void drawTriangle(QPainter& p, qreal tipX, qreal baseX, qreal middle, qreal half) {
    p.drawPolygon(QPolygonF{{baseX, middle - half}, {tipX, middle}, {baseX, middle + half}});
}

} // namespace

QIcon exportPhotos() {
    return drawn(kButtonPictureSize, [](QPainter& p) {
        // Back of the folder with its tab.
        p.setPen(outline(QColor(0x9a, 0x6a, 0x1c)));
        p.setBrush(QColor(0xd9, 0xa4, 0x41));
        QPainterPath back;
        back.moveTo(5.5, 29.5);
        back.lineTo(5.5, 8.5);
        back.lineTo(13.5, 8.5);
        back.lineTo(15.5, 11.5);
        back.lineTo(29.5, 11.5);
        back.lineTo(29.5, 29.5);
        back.closeSubpath();
        p.drawPath(back);
        // The photo standing up out of the folder.
        const QRectF photo(9.5, 3.5, 16, 13);
        p.setPen(outline(QColor(0x50, 0x50, 0x50)));
        p.setBrush(Qt::white);
        p.drawRect(photo);
        const QRectF sky = photo.adjusted(1.5, 1.5, -1.5, -1.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x6f, 0xa8, 0xdc));
        p.drawRect(sky);
        p.setBrush(QColor(0xff, 0xd2, 0x3f));
        p.drawEllipse(QPointF(sky.right() - 3, sky.top() + 2.5), 1.8, 1.8);
        p.setBrush(QColor(0x3c, 0x8d, 0x2f));
        p.drawPolygon(QPolygonF{{sky.left(), sky.bottom()},
                                {sky.left() + 4, sky.top() + 4},
                                {sky.left() + 7.5, sky.bottom() - 3},
                                {sky.left() + 9.5, sky.top() + 6},
                                {sky.right(), sky.bottom()}});
        // Front flap of the folder over the photo's lower part.
        p.setPen(outline(QColor(0x9a, 0x6a, 0x1c)));
        p.setBrush(QColor(0xf2, 0xc9, 0x63));
        p.drawPolygon(QPolygonF{{5.5, 29.5}, {7.5, 15.5}, {31.5, 15.5}, {29.5, 29.5}});
        drawRightArrow(p, 25.5, 42.5, 22.5, 6);
    });
}

QIcon settings() {
    return drawn(kButtonPictureSize, [](QPainter& p) {
        const QPointF centre(23, 16);
        const int teeth = 8;
        const qreal outer = 14.0, inner = 10.5, hole = 4.5;
        QPainterPath gear;
        for (int i = 0; i < teeth * 4; ++i) {
            // Each tooth: rise, top, fall, gap; a quarter of the tooth pitch each.
            const qreal angle = (i - 0.5) * std::numbers::pi / (teeth * 2);
            const qreal radius = (i % 4 == 0 || i % 4 == 1) ? outer : inner;
            const QPointF point(centre.x() + radius * std::cos(angle),
                                centre.y() + radius * std::sin(angle));
            if (i == 0)
                gear.moveTo(point);
            else
                gear.lineTo(point);
        }
        gear.closeSubpath();
        gear.addEllipse(centre, hole, hole);
        gear.setFillRule(Qt::OddEvenFill);
        QLinearGradient metal(centre.x() - outer, centre.y() - outer, centre.x() + outer,
                              centre.y() + outer);
        metal.setColorAt(0, QColor(0xc4, 0xcb, 0xd3));
        metal.setColorAt(1, QColor(0x5b, 0x64, 0x6e));
        p.setPen(outline(QColor(0x33, 0x3a, 0x41)));
        p.setBrush(metal);
        p.drawPath(gear);
        p.setBrush(Qt::NoBrush);
        p.setPen(outline(QColor(0x33, 0x3a, 0x41), 1.2));
        p.drawEllipse(centre, 7.5, 7.5);
    });
}

QIcon cancel() {
    return drawn(kButtonPictureSize, [](QPainter& p) { drawCross(p, QRectF(13, 5, 20, 22), 5); });
}

QIcon redCross16() {
    return drawn(kSmallIconSize, [](QPainter& p) { drawCross(p, QRectF(4, 4, 8, 8), 2.5); });
}

QIcon save() {
    return drawn(kButtonPictureSize, [](QPainter& p) {
        // Body with the cut corner.
        p.setPen(outline(QColor(0x17, 0x32, 0x5e)));
        p.setBrush(QColor(0x2f, 0x5f, 0xa8));
        p.drawPolygon(QPolygonF{{10.5, 3.5}, {32.5, 3.5}, {35.5, 6.5}, {35.5, 28.5}, {10.5, 28.5}});
        // Metal shutter with its window.
        p.setPen(outline(QColor(0x6a, 0x70, 0x78)));
        p.setBrush(QColor(0xd3, 0xd7, 0xdc));
        p.drawRect(QRectF(15.5, 3.5, 14, 9));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2f, 0x5f, 0xa8));
        p.drawRect(QRectF(24.5, 5, 3, 6));
        // Label.
        p.setPen(outline(QColor(0x9a, 0xa3, 0xad)));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(13.5, 16.5, 19, 12));
        p.setPen(outline(QColor(0xb5, 0xbd, 0xc6)));
        for (const qreal y : {20.5, 23.5, 26.5})
            p.drawLine(QPointF(15.5, y), QPointF(30.5, y));
    });
}

QIcon exitDoor() {
    return drawn(kButtonPictureSize, [](QPainter& p) {
        // Door frame and the dark opening.
        p.setPen(outline(QColor(0x4a, 0x2f, 0x16)));
        p.setBrush(QColor(0x2b, 0x22, 0x1a));
        p.drawRect(QRectF(10.5, 3.5, 16, 25));
        // The open door leaf, seen at an angle.
        p.setBrush(QColor(0xb0, 0x74, 0x36));
        p.drawPolygon(QPolygonF{{10.5, 3.5}, {19.5, 6.5}, {19.5, 31}, {10.5, 28.5}});
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xf0, 0xd0, 0x60));
        p.drawEllipse(QPointF(17.5, 18), 1.2, 1.2);
        drawRightArrow(p, 22.5, 40.5, 17.5, 6);
    });
}

QIcon navigatorFirst() {
    return drawn(kNavigatorIconSize, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawRect(QRectF(1, 1, 1.5, 8));
        drawTriangle(p, 3, 8.5, 5, 4);
    });
}

QIcon navigatorPrior() {
    return drawn(kNavigatorIconSize, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        drawTriangle(p, 2.5, 7, 5, 4);
    });
}

QIcon navigatorNext() {
    return drawn(kNavigatorIconSize, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        drawTriangle(p, 7.5, 3, 5, 4);
    });
}

QIcon navigatorLast() {
    return drawn(kNavigatorIconSize, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        drawTriangle(p, 7, 1.5, 5, 4);
        p.drawRect(QRectF(7.5, 1, 1.5, 8));
    });
}

} // namespace tirelon::icons

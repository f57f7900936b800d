#include "tools/screenshots/sample_icons.h"

#include <QBuffer>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace vanto::gui {

namespace {

QImage Blank(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

void DrawTelevision(QPainter& p, const QRectF& box) {
    const QRectF body = box.adjusted(box.width() * 0.08, box.height() * 0.06, -box.width() * 0.08,
                                     -box.height() * 0.22);
    p.setPen(QPen(QColor(40, 40, 48), 2));
    p.setBrush(QColor(60, 60, 70));
    p.drawRoundedRect(body, 5, 5);
    QLinearGradient screen(body.topLeft(), body.bottomRight());
    screen.setColorAt(0, QColor(90, 170, 240));
    screen.setColorAt(1, QColor(20, 60, 140));
    p.setPen(Qt::NoPen);
    p.setBrush(screen);
    p.drawRect(body.adjusted(5, 5, -5, -5));
    p.setBrush(QColor(60, 60, 70));
    const double cx = box.center().x();
    p.drawRect(
        QRectF(cx - box.width() * 0.05, body.bottom(), box.width() * 0.1, box.height() * 0.1));
    p.drawRoundedRect(QRectF(cx - box.width() * 0.22, body.bottom() + box.height() * 0.1,
                             box.width() * 0.44, box.height() * 0.06),
                      2, 2);
}

void DrawSpeaker(QPainter& p, const QRectF& box) {
    const double h = box.height() * 0.9;
    const QRectF body(box.center().x() - h * 0.35, box.center().y() - h / 2, h * 0.7, h);
    p.setPen(QPen(QColor(70, 45, 30), 2));
    p.setBrush(QColor(150, 100, 60));
    p.drawRoundedRect(body, 4, 4);
    p.setBrush(QColor(40, 40, 40));
    p.setPen(QPen(QColor(200, 200, 200), 2));
    const double r1 = body.width() * 0.16;
    const double r2 = body.width() * 0.32;
    p.drawEllipse(QPointF(body.center().x(), body.top() + body.height() * 0.25), r1, r1);
    p.drawEllipse(QPointF(body.center().x(), body.top() + body.height() * 0.66), r2, r2);
}

// The selection icon: the device on a highlighted disc.
void DrawChosen(QPainter& p, const QRectF& box, bool television) {
    QRadialGradient glow(box.center(), box.width() / 2);
    glow.setColorAt(0, QColor(255, 230, 120));
    glow.setColorAt(1, QColor(240, 150, 20));
    p.setPen(QPen(QColor(180, 100, 0), 2));
    p.setBrush(glow);
    p.drawEllipse(box.adjusted(2, 2, -2, -2));
    const QRectF inner = box.adjusted(box.width() * 0.2, box.height() * 0.22, -box.width() * 0.2,
                                      -box.height() * 0.22);
    if (television) {
        DrawTelevision(p, inner);
    } else {
        DrawSpeaker(p, inner);
    }
}

void DrawKeyFace(QPainter& p, const QRectF& box, const QColor& colour) {
    QLinearGradient face(box.topLeft(), box.bottomLeft());
    face.setColorAt(0, colour.lighter(140));
    face.setColorAt(1, colour.darker(120));
    p.setPen(QPen(colour.darker(180), 2));
    p.setBrush(face);
    p.drawRoundedRect(box.adjusted(4, 4, -4, -4), 14, 14);
}

void DrawPowerSign(QPainter& p, const QPointF& c, double r) {
    p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 120 * 16, 300 * 16);
    p.drawLine(QPointF(c.x(), c.y() - r - 3), QPointF(c.x(), c.y() - 2));
}

void DrawPlaySign(QPainter& p, const QPointF& c, double r) {
    QPainterPath triangle;
    triangle.moveTo(c.x() - r * 0.7, c.y() - r);
    triangle.lineTo(c.x() + r, c.y());
    triangle.lineTo(c.x() - r * 0.7, c.y() + r);
    triangle.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(triangle);
}

void DrawVolumeSign(QPainter& p, const QPointF& c, double r) {
    QPainterPath horn;
    horn.moveTo(c.x() - r * 1.6, c.y() - r * 0.4);
    horn.lineTo(c.x() - r * 1.0, c.y() - r * 0.4);
    horn.lineTo(c.x() - r * 0.3, c.y() - r);
    horn.lineTo(c.x() - r * 0.3, c.y() + r);
    horn.lineTo(c.x() - r * 1.0, c.y() + r * 0.4);
    horn.lineTo(c.x() - r * 1.6, c.y() + r * 0.4);
    horn.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(horn);
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(c.x() + r * 0.5, c.y()), QPointF(c.x() + r * 1.5, c.y()));
    p.drawLine(QPointF(c.x() + r, c.y() - r * 0.5), QPointF(c.x() + r, c.y() + r * 0.5));
}

}  // namespace

QByteArray SampleIconPng(SampleIcon icon) {
    const bool device = icon == SampleIcon::kTelevision || icon == SampleIcon::kSpeaker;
    const bool chosen = icon == SampleIcon::kTelevisionChosen || icon == SampleIcon::kSpeakerChosen;
    QImage image = device ? Blank(120, 80) : chosen ? Blank(60, 60) : Blank(120, 60);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF box(0, 0, image.width(), image.height());
        const QPointF c = box.center();
        switch (icon) {
            case SampleIcon::kTelevision:
                DrawTelevision(p, box);
                break;
            case SampleIcon::kSpeaker:
                DrawSpeaker(p, box);
                break;
            case SampleIcon::kTelevisionChosen:
            case SampleIcon::kSpeakerChosen:
                DrawChosen(p, box, icon == SampleIcon::kTelevisionChosen);
                break;
            case SampleIcon::kPowerKey:
                DrawKeyFace(p, box, QColor(200, 40, 40));
                DrawPowerSign(p, c, 13);
                break;
            case SampleIcon::kPlayKey:
                DrawKeyFace(p, box, QColor(40, 150, 60));
                DrawPlaySign(p, c, 13);
                break;
            case SampleIcon::kVolumeKey:
                DrawKeyFace(p, box, QColor(50, 90, 190));
                DrawVolumeSign(p, c, 12);
                break;
        }
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

}  // namespace vanto::gui

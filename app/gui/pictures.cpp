#include "app/gui/pictures.h"

#include <algorithm>

#include <QFont>
#include <QIconEngine>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "protocol/transfer_notify.h"

namespace vanto::gui {

namespace {

QImage Canvas(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// A thick arrow in the lower right quarter: up for uploads (remote to PC), down for downloads.
void DrawArrow(QPainter& p, int size, bool up) {
    const qreal s = size;
    const qreal cx = s * 0.74;
    const qreal top = s * 0.50;
    const qreal bottom = s * 0.94;
    const qreal half = s * 0.17;
    const qreal shaft = s * 0.07;
    QPainterPath path;
    if (up) {
        path.moveTo(cx, top);
        path.lineTo(cx + half, top + half);
        path.lineTo(cx + shaft, top + half);
        path.lineTo(cx + shaft, bottom);
        path.lineTo(cx - shaft, bottom);
        path.lineTo(cx - shaft, top + half);
        path.lineTo(cx - half, top + half);
    } else {
        path.moveTo(cx, bottom);
        path.lineTo(cx + half, bottom - half);
        path.lineTo(cx + shaft, bottom - half);
        path.lineTo(cx + shaft, top);
        path.lineTo(cx - shaft, top);
        path.lineTo(cx - shaft, bottom - half);
        path.lineTo(cx - half, bottom - half);
    }
    path.closeSubpath();
    p.setPen(QPen(QColor(30, 30, 30), s / 32.0));
    p.setBrush(up ? QColor(255, 214, 64) : QColor(90, 200, 90));
    p.drawPath(path);
}

void DrawChip(QPainter& p, const QRectF& r, const QColor& c) {
    p.setPen(QPen(c.darker(180), r.width() / 16));
    for (int i = 0; i < 4; ++i) {
        const qreal y = r.top() + r.height() * (0.2 + 0.2 * i);
        p.drawLine(QPointF(r.left() - r.width() * 0.12, y),
                   QPointF(r.right() + r.width() * 0.12, y));
    }
    p.setBrush(QColor(50, 50, 60));
    p.setPen(QPen(c.darker(150), r.width() / 20));
    p.drawRoundedRect(r, r.width() / 10, r.width() / 10);
    p.setBrush(c);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(r.left() + r.width() * 0.15, r.top() + r.height() * 0.15, r.width() * 0.18,
                         r.width() * 0.18));
}

void DrawCylinder(QPainter& p, const QRectF& r, const QColor& c) {
    const qreal eh = r.height() * 0.28;
    p.setPen(QPen(c.darker(200), r.width() / 18));
    for (int i = 2; i >= 0; --i) {
        const qreal y = r.top() + i * (r.height() - eh) / 3;
        QRectF band(r.left(), y, r.width(), (r.height() - eh) / 3 + eh);
        p.setBrush(i % 2 ? c.lighter(120) : c);
        QPainterPath path;
        path.moveTo(band.left(), band.top() + eh / 2);
        path.lineTo(band.left(), band.bottom() - eh / 2);
        path.arcTo(QRectF(band.left(), band.bottom() - eh, band.width(), eh), 180, 180);
        path.lineTo(band.right(), band.top() + eh / 2);
        path.arcTo(QRectF(band.left(), band.top(), band.width(), eh), 0, 180);
        p.drawPath(path);
    }
    p.setBrush(c.lighter(150));
    p.drawEllipse(QRectF(r.left(), r.top(), r.width(), eh));
}

void DrawDocument(QPainter& p, const QRectF& r, const QColor& c) {
    const qreal fold = r.width() * 0.3;
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setPen(QPen(c.darker(200), r.width() / 18));
    p.setBrush(Qt::white);
    p.drawPath(path);
    p.setPen(QPen(c, r.width() / 12));
    for (int i = 0; i < 4; ++i) {
        const qreal y = r.top() + r.height() * (0.35 + 0.16 * i);
        p.drawLine(QPointF(r.left() + r.width() * 0.15, y),
                   QPointF(r.right() - r.width() * 0.15, y));
    }
}

void DrawPicture(QPainter& p, const QRectF& r, const QColor& c) {
    p.setPen(QPen(c.darker(200), r.width() / 18));
    p.setBrush(QColor(200, 230, 255));
    p.drawRect(r);
    QPainterPath hills;
    hills.moveTo(r.left(), r.bottom());
    hills.lineTo(r.left() + r.width() * 0.35, r.top() + r.height() * 0.45);
    hills.lineTo(r.left() + r.width() * 0.6, r.top() + r.height() * 0.75);
    hills.lineTo(r.left() + r.width() * 0.78, r.top() + r.height() * 0.55);
    hills.lineTo(r.right(), r.bottom());
    hills.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(hills);
    p.setBrush(QColor(255, 200, 0));
    p.drawEllipse(QRectF(r.left() + r.width() * 0.62, r.top() + r.height() * 0.12, r.width() * 0.2,
                         r.width() * 0.2));
}

}  // namespace

QColor PageColour(int functionIndex) {
    switch (functionIndex) {
        case FUNC_APP_DOWNLOAD:
            return AppDownloadColour();
        case FUNC_DB_DOWNLOAD:
            return DatabaseDownloadColour();
        case FUNC_USERDATA_UPLOAD:
        case FUNC_ICON_UPLOAD:
            return UploadColour();
        default:
            return RestoreColour();
    }
}

QImage DrawBanner(const QString& title, const QColor& colour, QSize size, qreal devicePixelRatio) {
    size = size.expandedTo(QSize(1, 1));
    QImage image(size * devicePixelRatio, QImage::Format_RGB32);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    // Drawn in the 400 x 50 units of the banner's own proportions, scaled to the size asked for.
    p.scale(static_cast<qreal>(size.width()) / kBannerWidth,
            static_cast<qreal>(size.height()) / kBannerHeight);
    // A thin line in the page colour under the title, as a light frame for the text.
    p.fillRect(QRectF(12, kBannerHeight - 8, kBannerWidth - 24, 2), colour.darker(160));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(24);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QRectF(0, 0, kBannerWidth, kBannerHeight - 6), Qt::AlignCenter, title);
    return image;
}

namespace {

class DrawnIconEngine final : public QIconEngine {
public:
    DrawnIconEngine(PictureDraw draw, QSize aspect) : m_draw(std::move(draw)), m_aspect(aspect) {}

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        return m_aspect.scaled(size, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QImage picture = m_draw(actualSize(size, mode, state));
        if (mode == QIcon::Disabled) {
            picture = picture.convertToFormat(QImage::Format_Grayscale8)
                          .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        }
        return QPixmap::fromImage(picture);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap picture = pixmap(rect.size() * ratio, mode, state);
        picture.setDevicePixelRatio(ratio);
        const QSize shown = picture.deviceIndependentSize().toSize();
        painter->drawPixmap(QRect(rect.topLeft() + QPoint((rect.width() - shown.width()) / 2,
                                                          (rect.height() - shown.height()) / 2),
                                  shown),
                            picture);
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        // Any size can be drawn; these are the ones a window system asks for by name.
        QList<QSize> sizes;
        for (int side : {16, 24, 32, 48, 64, 128, 256}) {
            sizes << m_aspect.scaled(QSize(side, side), Qt::KeepAspectRatio);
        }
        return sizes;
    }

    QIconEngine* clone() const override { return new DrawnIconEngine(m_draw, m_aspect); }

private:
    PictureDraw m_draw;
    QSize m_aspect;
};

QImage SquareOf(QSize size, const std::function<QImage(int)>& draw) {
    return draw(std::min(size.width(), size.height()));
}

}  // namespace

QIcon DrawnIcon(PictureDraw draw, QSize aspect) {
    // QIcon owns its engine.
    return QIcon(new DrawnIconEngine(std::move(draw), aspect));
}

QIcon FunctionIcon(int functionIndex) {
    return DrawnIcon([functionIndex](QSize size) {
        return SquareOf(
            size, [functionIndex](int side) { return DrawFunctionPicture(functionIndex, side); });
    });
}

QIcon EditIcon() {
    return DrawnIcon([](QSize size) { return DrawEditPicture(size); },
                     QSize(kEditPictureWidth, kEditPictureHeight));
}

QIcon AboutIcon() {
    return DrawnIcon([](QSize size) { return SquareOf(size, DrawAboutPicture); });
}

QIcon ExitIcon() {
    return DrawnIcon([](QSize size) { return SquareOf(size, DrawExitPicture); });
}

QImage DrawFunctionPicture(int functionIndex, int size) {
    QImage image = Canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor c = PageColour(functionIndex);
    const qreal s = size;
    const QRectF body(s * 0.06, s * 0.08, s * 0.58, s * 0.62);
    switch (functionIndex) {
        case FUNC_APP_DOWNLOAD:
            DrawChip(p, body.adjusted(s * 0.06, s * 0.04, -s * 0.04, -s * 0.04), c);
            break;
        case FUNC_DB_DOWNLOAD:
            DrawCylinder(p, body, c);
            break;
        case FUNC_USERDATA_UPLOAD:
        case FUNC_USERDATA_DOWNLOAD:
            DrawDocument(p, body.adjusted(s * 0.05, 0, -s * 0.02, s * 0.1), c);
            break;
        default:
            DrawPicture(p, body.adjusted(0, s * 0.06, s * 0.06, 0), c);
            break;
    }
    const bool upload = functionIndex == FUNC_USERDATA_UPLOAD || functionIndex == FUNC_ICON_UPLOAD;
    DrawArrow(p, size, upload);
    return image;
}

QImage DrawAppPicture(int size) {
    QImage image = Canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    // The remote: an upright rounded body, a small screen, a pad and rows of keys.
    const QRectF body(s * 0.28, s * 0.04, s * 0.44, s * 0.92);
    QLinearGradient shade(body.topLeft(), body.topRight());
    shade.setColorAt(0, QColor(70, 76, 90));
    shade.setColorAt(0.5, QColor(40, 44, 54));
    shade.setColorAt(1, QColor(20, 22, 28));
    p.setPen(QPen(QColor(10, 10, 14), s / 64));
    p.setBrush(shade);
    p.drawRoundedRect(body, s * 0.12, s * 0.12);
    const QRectF screen(body.left() + s * 0.06, body.top() + s * 0.07, body.width() - s * 0.12,
                        s * 0.16);
    p.setBrush(QColor(120, 210, 255));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(screen, s * 0.02, s * 0.02);
    p.setBrush(QColor(255, 128, 128));
    p.drawEllipse(QPointF(body.center().x(), body.top() + s * 0.40), s * 0.11, s * 0.11);
    p.setBrush(QColor(20, 22, 28));
    p.drawEllipse(QPointF(body.center().x(), body.top() + s * 0.40), s * 0.045, s * 0.045);
    const QColor keys[3] = {QColor(34, 177, 76), QColor(0, 162, 232), QColor(185, 122, 87)};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            p.setBrush(keys[row]);
            const qreal x = body.left() + s * 0.085 + col * s * 0.105;
            const qreal y = body.top() + s * 0.58 + row * s * 0.095;
            p.drawRoundedRect(QRectF(x, y, s * 0.075, s * 0.06), s * 0.015, s * 0.015);
        }
    }
    return image;
}

QIcon AppIcon() {
    return DrawnIcon([](QSize size) { return SquareOf(size, DrawAppPicture); });
}

QImage DrawEditPicture(QSize size) {
    size = size.expandedTo(QSize(1, 1));
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(245, 245, 245));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(static_cast<qreal>(size.width()) / kEditPictureWidth,
            static_cast<qreal>(size.height()) / kEditPictureHeight);
    // Three icon tiles and a pencil over them.
    const QColor tiles[3] = {UploadColour(), RestoreColour(), DatabaseDownloadColour()};
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(QColor(49, 85, 156), 2));
        p.setBrush(tiles[i].lighter(130));
        p.drawRoundedRect(QRectF(8 + i * 36, 14, 30, 30), 4, 4);
    }
    p.save();
    p.translate(70, 58);
    p.rotate(-35);
    p.setPen(QPen(QColor(60, 40, 20), 1.5));
    p.setBrush(QColor(255, 200, 40));
    p.drawRect(QRectF(-36, -6, 56, 12));
    p.setBrush(QColor(240, 200, 160));
    QPainterPath tip;
    tip.moveTo(20, -6);
    tip.lineTo(34, 0);
    tip.lineTo(20, 6);
    tip.closeSubpath();
    p.drawPath(tip);
    p.setBrush(QColor(230, 120, 140));
    p.drawRect(QRectF(-44, -6, 8, 12));
    p.restore();
    return image;
}

QImage DrawAboutPicture(int size) {
    QImage image = Canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(QPen(QColor(20, 60, 140), s / 12));
    p.setBrush(QColor(60, 130, 230));
    p.drawEllipse(QRectF(s * 0.08, s * 0.08, s * 0.84, s * 0.84));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(s * 0.5, s * 0.3), s * 0.07, s * 0.07);
    p.drawRoundedRect(QRectF(s * 0.43, s * 0.43, s * 0.14, s * 0.34), s * 0.04, s * 0.04);
    return image;
}

QImage DrawExitPicture(int size) {
    QImage image = Canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(QPen(QColor(180, 30, 30), s / 7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.25, s * 0.25), QPointF(s * 0.75, s * 0.75));
    p.drawLine(QPointF(s * 0.75, s * 0.25), QPointF(s * 0.25, s * 0.75));
    return image;
}

}  // namespace vanto::gui

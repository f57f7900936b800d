#include "app/gui/page_banner.h"

#include <QPainter>

#include "app/gui/pictures.h"

namespace vanto::gui {

PageBanner::PageBanner(QString title, QColor colour, QWidget* parent)
    : QWidget(parent), m_title(std::move(title)), m_colour(colour) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleName(m_title);
}

QSize PageBanner::sizeHint() const {
    return QSize(kBannerWidth, kBannerHeight);
}

QSize PageBanner::minimumSizeHint() const {
    return QSize(kBannerWidth / 4, kBannerHeight / 4);
}

void PageBanner::paintEvent(QPaintEvent*) {
    // The banner keeps its w x w/8 proportion; any height beyond that stays empty below it.
    const QSize size(width(), heightForWidth(width()));
    const qreal ratio = devicePixelRatioF();
    if (m_picture.isNull() || m_picture.deviceIndependentSize().toSize() != size ||
        m_picture.devicePixelRatio() != ratio) {
        m_picture = QPixmap::fromImage(DrawBanner(m_title, m_colour, size, ratio));
    }
    QPainter painter(this);
    painter.drawPixmap(QPoint(0, 0), m_picture);
}

}  // namespace vanto::gui

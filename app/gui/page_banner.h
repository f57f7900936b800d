#pragma once
// The banner at the top of a function page: its title in the page colour on black, as wide as the
// page's group box and an eighth of that high. It is drawn for its size and for the device pixel
// ratio of the screen it is on, so it stays sharp at any width and scale.

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

namespace vanto::gui {

class PageBanner final : public QWidget {
    Q_OBJECT
public:
    PageBanner(QString title, QColor colour, QWidget* parent = nullptr);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return width / 8; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    const QString& Title() const { return m_title; }
    // The picture as last drawn (for tests): its device pixel ratio and size in device pixels.
    const QPixmap& Picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    QColor m_colour;
    QPixmap m_picture;
};

}  // namespace vanto::gui

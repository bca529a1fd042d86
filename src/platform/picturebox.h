#pragma once
// A picture box that holds a picture (not a drawn image) and shows it at its
// natural size from the top-left corner. With auto-size its inner size is
// always the picture's natural size.
#include "formats/picture.h"

#include <QColor>
#include <QWidget>

namespace ptt {

class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr);

    void setPicture(const Picture &picture);
    const Picture &picture() const { return m_picture; }

    void setAutoSize(bool on);
    void setBorderWidth(int pixels);
    int borderWidth() const { return m_border; }
    void setBackColor(const QColor &color);
    // Draw the picture stretched over the inner area instead of at natural size.
    void setStretch(bool on);

    QSize innerSize() const { return size() - QSize(2 * m_border, 2 * m_border); }

signals:
    void clicked(Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void fitToPicture();
    Picture m_picture;
    bool m_autoSize = false;
    bool m_stretch = false;
    bool m_pressed = false;
    int m_border = 0;
    QColor m_backColor = QColor(192, 192, 192);
};

} // namespace ptt

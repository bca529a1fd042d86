#pragma once
// Canvas: a picture box whose drawing goes to its own persistent image, which
// is what it shows and what is saved. The widget's size is the outer size; the
// image has the inner size (outer less the border on each side), in pixels.
// Inner coordinates handed to and from the window are pixels or twips as the
// window chooses (scale mode).
#include "formats/fontdesc.h"
#include "formats/picture.h"

#include <QColor>
#include <QImage>
#include <QWidget>

namespace ptt {

class Canvas : public QWidget {
    Q_OBJECT
public:
    enum class ScaleMode { Pixels, Twips };

    explicit Canvas(QWidget *parent = nullptr);

    void setScaleMode(ScaleMode mode) { m_scaleMode = mode; }
    ScaleMode scaleMode() const { return m_scaleMode; }
    double unitsPerPixel() const { return m_scaleMode == ScaleMode::Twips ? 15.0 : 1.0; }

    // Width of the fixed single border on each side, in pixels (0 = none).
    void setBorderWidth(int pixels);
    int borderWidth() const { return m_border; }

    void setAutoSize(bool on) { m_autoSize = on; }
    bool autoSize() const { return m_autoSize; }

    QColor backColor() const { return m_backColor; }
    // Like the form runtime: setting the background repaints the whole image.
    void setBackColor(const QColor &color);
    QColor foreColor() const { return m_foreColor; }
    void setForeColor(const QColor &color) { m_foreColor = color; }
    const FontDesc &canvasFont() const { return m_font; }
    void setCanvasFont(const FontDesc &font) { m_font = font; }

    // Persistent image; draw into it and call update(). It follows the
    // widget's size, also while the widget is hidden (Qt defers resize events
    // of hidden widgets).
    QImage &image()
    {
        syncImageSize();
        return m_image;
    }
    const QImage &image() const
    {
        const_cast<Canvas *>(this)->syncImageSize();
        return m_image;
    }

    QSize innerSize() const { return image().size(); }
    QSize outerSize() const { return size(); }
    // Inner size in the canvas's scale units.
    double scaleWidth() const { return image().width() * unitsPerPixel(); }
    double scaleHeight() const { return image().height() * unitsPerPixel(); }

    // Resizes, keeping what was drawn where it still fits; new area shows the
    // background colour. Returns false, changing nothing, when the old and
    // the new image together do not fit in the memory the system can give now
    // (MemoryBudget).
    bool setOuterSize(const QSize &outerPixels);
    // The same for a new place and outer size, in the parent's pixels.
    bool setOuterGeometry(const QRect &outerPixels);
    bool setInnerSize(const QSize &innerPixels);

    // Assigning a picture replaces everything drawn before: the image becomes
    // the background with the picture at its top-left corner at natural size.
    // With auto-size the canvas takes the picture's size first.
    bool setPicture(const Picture &picture);
    const Picture &picture() const { return m_picture; }

    void clear();

    // Inner pixel point <-> the canvas's scale units.
    QPointF toScale(const QPointF &innerPixels) const { return innerPixels * unitsPerPixel(); }
    QPointF toPixels(const QPointF &scale) const { return scale / unitsPerPixel(); }

signals:
    // Positions are inner coordinates in scale units.
    void mousePressed(Qt::MouseButton button, QPointF pos);
    void mouseReleased(Qt::MouseButton button, QPointF pos);
    void mouseMoved(Qt::MouseButtons buttons, QPointF pos);
    void mouseDoubleClicked(Qt::MouseButton button, QPointF pos);
    void resized();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    bool reallocate(const QSize &inner);
    void syncImageSize();
    QPointF innerPos(const QPointF &widgetPos) const;

    ScaleMode m_scaleMode = ScaleMode::Pixels;
    int m_border = 0;
    bool m_autoSize = false;
    QColor m_backColor = Qt::white;
    QColor m_foreColor = Qt::black;
    FontDesc m_font;
    QImage m_image;
    Picture m_picture;
};

} // namespace ptt

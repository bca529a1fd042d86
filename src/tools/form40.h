#pragma once
// Form40: the zoom viewer. Image1 shows one picture file stretched to a size
// that "放大" and "缩小" change by a quarter; "剪裁保存" opens the crop-capture
// tool so the shown picture can be cut from the screen.
#include "formats/picture.h"
#include "platform/dialogs.h"
#include "zoommodel.h"

#include <QWidget>

class QPushButton;

namespace ptt {

// The image control: draws its picture stretched to the zoom size. Its own
// geometry is only the part of that size inside the window, so no size ever
// allocates more than the window shows.
class ZoomImage : public QWidget {
    Q_OBJECT
public:
    explicit ZoomImage(QWidget *parent = nullptr);
    // False, changing nothing, when its copy for drawing does not fit in memory.
    bool setPicture(const Picture &picture);
    const Picture &picture() const { return m_picture; }
    // Shown size in pixels; may be far larger than the widget.
    void setShownSize(double width, double height);
    double shownWidth() const { return m_shownWidth; }
    double shownHeight() const { return m_shownHeight; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Picture m_picture;
    QImage m_premultiplied;
    double m_shownWidth = 0;
    double m_shownHeight = 0;
};

class Form40 : public QWidget {
    Q_OBJECT
public:
    explicit Form40(QWidget *parent = nullptr);

    void TakePicture(); // 取图
    void Enlarge();     // 放大
    void Reduce();      // 缩小
    void CropSave();    // 剪裁保存

    const ZoomSize &zoomSize() const { return m_size; }
    ZoomImage *image1() const { return m_image1; }
    CommonDialog &dialog() { return CommonDialog1; }
    // Sets the size directly (twips), as the steps would.
    void setImageSizeTwips(float width, float height);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void applySize();
    void placeButtons();

    ZoomSize m_size;
    ZoomImage *m_image1 = nullptr;
    QPushButton *m_command[5] = {}; // by number, 1..4
    CommonDialog CommonDialog1;
};

} // namespace ptt

#pragma once
// The zoom viewer's arithmetic: the picture's shown size in single-precision
// twips (the whole zoom state), the quarter steps, the buttons' places and
// the stretched drawing of any part of the shown picture.
#include <QImage>
#include <QRect>
#include <QSize>
#include <QSizeF>

#include <array>

namespace ptt {

class ZoomSize {
public:
    static constexpr float kInitialWidth = 9195.0f;
    static constexpr float kInitialHeight = 8505.0f;
    static constexpr float kMinimumWidth = 50.0f; // below it "缩小" warns

    float width() const { return m_width; }
    float height() const { return m_height; }
    void set(float width, float height);
    // One picture pixel on one screen pixel.
    void setNatural(QSize pixels);

    // Both grow by a quarter. Returns false (size kept) where the result
    // would leave the range of a single-precision number.
    bool enlarge();
    // Both shrink by a quarter; true when the new width is under the limit
    // (the reduction stays anyway).
    bool reduce();

    // Shown size in whole pixels (halves to even); not limited to int.
    double pixelWidth() const;
    double pixelHeight() const;

private:
    float m_width = kInitialWidth;
    float m_height = kInitialHeight;
};

// Lefts in twips of Command4, Command1, Command2, Command3 (left to right,
// edge to edge) for the window's outer width in twips.
std::array<double, 4> zoomButtonLefts(double outerWidthTwips, double w4, double w1, double w2, double w3);

// The part `exposed` (pixels, relative to the shown picture's top left) of
// `source` stretched to shownWidth x shownHeight pixels, nearest pixel.
// Costs only the exposed area, whatever the shown size. The result covers
// the exposed part that lies inside the shown picture; *covered gets it.
QImage renderStretched(const QImage &source, double shownWidth, double shownHeight, const QRect &exposed,
                       QRect *covered = nullptr);

} // namespace ptt

#include "zoommodel.h"

#include "platform/units.h"

#include <cmath>
#include <vector>

namespace ptt {

void ZoomSize::set(float width, float height)
{
    m_width = width;
    m_height = height;
}

void ZoomSize::setNatural(QSize pixels)
{
    m_width = float(pixelsToTwips(pixels.width()));
    m_height = float(pixelsToTwips(pixels.height()));
}

bool ZoomSize::enlarge()
{
    const float w = float(double(m_width) + double(m_width) * 0.25);
    const float h = float(double(m_height) + double(m_height) * 0.25);
    if (!std::isfinite(w) || !std::isfinite(h))
        return false;
    m_width = w;
    m_height = h;
    return true;
}

bool ZoomSize::reduce()
{
    m_width = float(double(m_width) - double(m_width) * 0.25);
    m_height = float(double(m_height) - double(m_height) * 0.25);
    return m_width < kMinimumWidth;
}

double ZoomSize::pixelWidth() const
{
    return roundHalfEven(double(m_width) / kTwipsPerPixel);
}

double ZoomSize::pixelHeight() const
{
    return roundHalfEven(double(m_height) / kTwipsPerPixel);
}

std::array<double, 4> zoomButtonLefts(double outerWidthTwips, double w4, double w1, double w2, double w3)
{
    const double w = outerWidthTwips;
    return {w - w4 - w1 - w2 - w3 - 200, w - w1 - w2 - w3 - 200, w - w2 - w3 - 200, w - w3 - 200};
}

QImage renderStretched(const QImage &source, double shownWidth, double shownHeight, const QRect &exposed,
                       QRect *covered)
{
    if (covered)
        *covered = QRect();
    const QRect shown = exposed.intersected(QRect(0, 0, boundedInt(shownWidth, Rounding::Down, 0, 2000000000),
                                                  boundedInt(shownHeight, Rounding::Down, 0, 2000000000)));
    if (source.isNull() || shown.isEmpty() || shownWidth < 1 || shownHeight < 1)
        return QImage();
    const QImage src = source.format() == QImage::Format_ARGB32_Premultiplied
                           ? source
                           : source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // Each target pixel takes the source pixel under its centre.
    const double sx = src.width() / shownWidth;
    const double sy = src.height() / shownHeight;
    std::vector<int> columns(size_t(shown.width()));
    for (int i = 0; i < shown.width(); ++i)
        columns[size_t(i)] = boundedInt((shown.left() + i + 0.5) * sx, Rounding::Down, 0, src.width() - 1);
    QImage out(shown.size(), QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return QImage();
    if (covered)
        *covered = shown;
    for (int j = 0; j < shown.height(); ++j) {
        const int row = boundedInt((shown.top() + j + 0.5) * sy, Rounding::Down, 0, src.height() - 1);
        const auto *in = reinterpret_cast<const QRgb *>(src.constScanLine(row));
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(j));
        for (int i = 0; i < shown.width(); ++i)
            line[i] = in[columns[size_t(i)]];
    }
    return out;
}

} // namespace ptt

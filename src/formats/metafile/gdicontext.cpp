#include "gdicontext.h"
#include "decoding.h"

#include <QtEndian>

#include "../checkednumber.h"
#include "../picture_raster.h"

#include <QFontMetricsF>
#include <QGuiApplication>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sys/mman.h>

namespace ptt::metafile {

namespace {

// Device coordinates beyond this are a hostile file, not a drawing.
constexpr double kMaxCoord = 1e8;
constexpr int kMaxSavedStates = 1024;
// Clip paths beyond this many elements make path set operations crawl.
constexpr int kMaxClipElements = 5000;
// Rows of rectangles a region clip may hand the painter, which keeps one
// span of 8 bytes for each.
constexpr qint64 kMaxClipSpans = 1 << 22;

// The UTF-16 units of the character at i: 2 for a surrogate pair, 0 for the
// second unit of one, else 1.
qsizetype unitsAt(const QString &s, qsizetype i)
{
    const QChar c = s.at(i);
    if (c.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate())
        return 2;
    if (c.isLowSurrogate() && i > 0 && s.at(i - 1).isHighSurrogate())
        return 0;
    return 1;
}

// Characters no face on this system can draw become spaces, a pair two of
// them, so that advances given per unit still line up.
void blankUndrawable(QString *text, const QFontMetricsF &fm, DecodeStop *stop)
{
    for (qsizetype i = 0; i < text->size() && !stop->poll();) {
        const qsizetype n = std::max<qsizetype>(1, unitsAt(*text, i));
        const char32_t cp = n == 2 ? QChar::surrogateToUcs4(text->at(i), text->at(i + 1)) : text->at(i).unicode();
        if (cp != U' ' && !fm.inFontUcs4(cp))
            for (qsizetype k = i; k < i + n; ++k)
                (*text)[k] = QLatin1Char(' ');
        i += n;
    }
}

// The rectangle in whole image pixels when t keeps axes (no rotation or shear).
// A raster operation's index, the byte that names it; the low word only
// hints at how to compute it.
int ropIndex(quint32 rop)
{
    return int((rop >> 16) & 0xFF);
}

bool axisAlignedRect(const QTransform &t, const QRectF &logical, QRect *out)
{
    if (t.m12() != 0 || t.m21() != 0 || t.type() > QTransform::TxScale)
        return false;
    const QRectF r = t.mapRect(logical.normalized());
    const int lim = int(kMaxCoord);
    const auto l = checkedInt(r.left(), Rounding::HalfAway, -lim, lim);
    const auto tp = checkedInt(r.top(), Rounding::HalfAway, -lim, lim);
    const auto rt = checkedInt(r.right(), Rounding::HalfAway, -lim, lim);
    const auto b = checkedInt(r.bottom(), Rounding::HalfAway, -lim, lim);
    if (!l || !tp || !rt || !b)
        return false;
    *out = QRect(QPoint(*l, *tp), QPoint(*rt - 1, *b - 1));
    return true;
}

Qt::BrushStyle hatchStyle(int hatch)
{
    switch (hatch) {
    case 0:
        return Qt::HorPattern;
    case 1:
        return Qt::VerPattern;
    case 2:
        return Qt::FDiagPattern;
    case 3:
        return Qt::BDiagPattern;
    case 4:
        return Qt::CrossPattern;
    case 5:
        return Qt::DiagCrossPattern;
    default:
        return Qt::SolidPattern;
    }
}

} // namespace

double mapModeUnitMm(int mapMode)
{
    switch (mapMode) {
    case MM_LOMETRIC:
        return 0.1;
    case MM_HIMETRIC:
        return 0.01;
    case MM_LOENGLISH:
        return 0.254;
    case MM_HIENGLISH:
        return 0.0254;
    case MM_TWIPS:
        return 25.4 / 1440;
    default:
        return 0;
    }
}

RecordLimits RecordLimits::forImage(QSize image)
{
    const qint64 px = std::max<qint64>(1, qint64(image.width()) * image.height());
    auto within = [](qint64 v, qint64 lo, qint64 hi) { return int(std::clamp(v, lo, hi)); };
    RecordLimits l;
    l.regionRects = within(px / 16, 4096, 65536);
    l.heldRegionRects = 16ll * l.regionRects;
    l.pathPoints = within(px / 16, 16384, 262144);
    // Drawing an outline costs about its length; twice the picture's pixels
    // is the picture hatched with a line every pixel.
    l.pathLength = 2.0 * double(std::max<qint64>(px, 1 << 16));
    l.textChars = within(px / 256, 256, 8192);
    l.textPixels = 64 * px;
    l.gradientShapes = within(px / 16, 1024, 65536);
    l.gradientPixels = 16 * px;
    l.heldPatternPixels = 1 << 24;  // 64 MB: 256 brushes of the largest pattern
    l.heldPaletteEntries = 1 << 20; // 4 MB

    return l;
}

QImage transparentImage(QSize size, DecodeStop *stop)
{
    if (size.isEmpty() || size.width() > PictureLimits::maxSide || size.height() > PictureLimits::maxSide)
        return QImage();
    const qsizetype stride = qsizetype(size.width()) * 4;
    const size_t bytes = size_t(stride) * size_t(size.height());
    constexpr size_t kHugePage = 2 << 20;
    if (bytes < 2 * kHugePage)
        return ptt::detail::zeroedImage(size, QImage::Format_ARGB32_Premultiplied);
    // A large picture in huge pages where the system offers them: a few
    // hundred page faults instead of tens of thousands. Its pages are
    // touched here, a huge page at a time, so a stop is noticed meanwhile and
    // the drawing meets no faults later.
    struct Mapping {
        void *start;
        size_t length;
    };
    const size_t length = bytes + kHugePage;
    void *start = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (start == MAP_FAILED)
        return QImage();
    uchar *bits = reinterpret_cast<uchar *>((reinterpret_cast<quintptr>(start) + kHugePage - 1) & ~(kHugePage - 1));
#ifdef MADV_HUGEPAGE
    ::madvise(bits, (bytes + kHugePage - 1) & ~(kHugePage - 1), MADV_HUGEPAGE);
#endif
    for (size_t at = 0; at < bytes; at += 4096) {
        if (at % kHugePage == 0 && stop->requested()) {
            ::munmap(start, length);
            return QImage();
        }
        bits[at] = 0;
    }
    return QImage(
        bits, size.width(), size.height(), stride, QImage::Format_ARGB32_Premultiplied,
        [](void *info) {
            const Mapping *m = static_cast<Mapping *>(info);
            ::munmap(m->start, m->length);
            delete m;
        },
        new Mapping{start, length});
}

GdiContext::GdiContext(QImage *image, DecodeStop *stop)
    : m_image(image), m_stop(stop), m_limits(RecordLimits::forImage(image->size()))
{
    m_painter.begin(image);
    m_painter.setRenderHint(QPainter::Antialiasing, true);
    m_painter.setRenderHint(QPainter::TextAntialiasing, true);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    m_state.brush.style = GdiBrush::Solid;
    m_state.brush.color = Qt::white;
    m_state.font.height = 12;
    m_state.font.face = QStringLiteral("System");
}

GdiContext::~GdiContext()
{
    m_painter.end();
}

QTransform GdiContext::pageTransform() const
{
    const double wx = m_state.winExt.x() == 0 ? 1 : m_state.winExt.x();
    const double wy = m_state.winExt.y() == 0 ? 1 : m_state.winExt.y();
    if (m_windowOnPicture && !m_state.viewportSet) {
        const double sx = m_image->width() / wx;
        const double sy = m_image->height() / wy;
        return QTransform(sx, 0, 0, sy, -m_state.winOrg.x() * sx, -m_state.winOrg.y() * sy);
    }
    if (m_windowOnPicture) {
        const double fx = m_image->width() / (m_frame.width() == 0 ? 1 : m_frame.width());
        const double fy = m_image->height() / (m_frame.height() == 0 ? 1 : m_frame.height());
        const double sx = m_state.vpExt.x() / wx * fx;
        const double sy = m_state.vpExt.y() / wy * fy;
        return QTransform(sx, 0, 0, sy, (m_state.vpOrg.x() - m_frame.left()) * fx - m_state.winOrg.x() * sx,
                          (m_state.vpOrg.y() - m_frame.top()) * fy - m_state.winOrg.y() * sy);
    }
    double sx = 1, sy = 1;
    const double mm = mapModeUnitMm(m_state.mapMode);
    if (mm > 0) {
        sx = mm * m_pxPerMmX;
        sy = -mm * m_pxPerMmY;
    } else if (m_state.mapMode == MM_ANISOTROPIC || m_state.mapMode == MM_ISOTROPIC) {
        sx = m_state.vpExt.x() / wx;
        sy = m_state.vpExt.y() / wy;
        if (m_state.mapMode == MM_ISOTROPIC) {
            const double m = std::min(std::abs(sx), std::abs(sy));
            sx = sx < 0 ? -m : m;
            sy = sy < 0 ? -m : m;
        }
    }
    return QTransform(sx, 0, 0, sy, m_state.vpOrg.x() - m_state.winOrg.x() * sx,
                      m_state.vpOrg.y() - m_state.winOrg.y() * sy);
}

QTransform GdiContext::fullTransform() const
{
    return m_state.world * pageTransform() * m_device;
}

double GdiContext::scale() const
{
    const QTransform t = fullTransform();
    return std::sqrt(std::abs(t.m11() * t.m22() - t.m12() * t.m21()));
}

qint64 GdiContext::imageArea(const QRectF &logical) const
{
    const QRectF r = fullTransform().mapRect(logical.normalized()).intersected(QRectF(m_image->rect()));
    if (!(r.width() > 0 && r.height() > 0))
        return 0;
    return qint64(boundedInt(r.width(), Rounding::Up, 0)) * boundedInt(r.height(), Rounding::Up, 0);
}

void GdiContext::hold(const GdiObject &o, int sign)
{
    if (o.kind == GdiObject::Region)
        m_heldRegionRects += sign * qint64(o.region.rectCount());
    else if (o.kind == GdiObject::Brush && !o.brush.pattern.isNull())
        m_heldPatternPixels += sign * qint64(o.brush.pattern.width()) * o.brush.pattern.height();
    else if (o.kind == GdiObject::Palette)
        m_heldPaletteEntries += sign * qint64(o.palette.size());
}

void GdiContext::resizeObjects(int count)
{
    // Slots are made as objects arrive: a header may claim 65535 handles.
    m_objects.clear();
    m_objectSlots = std::max(0, count);
    m_firstFree = 0;
    m_heldRegionRects = 0;
    m_heldPatternPixels = 0;
    m_heldPaletteEntries = 0;
}

int GdiContext::addObject(const GdiObject &obj)
{
    size_t i = m_firstFree;
    while (i < m_objects.size() && m_objects[i].kind != GdiObject::Empty)
        ++i;
    if (i >= size_t(m_objectSlots))
        return -1;
    if (i == m_objects.size())
        m_objects.emplace_back();
    m_objects[i] = obj;
    hold(obj, 1);
    m_firstFree = i + 1;
    return int(i);
}

void GdiContext::setObject(int index, const GdiObject &obj)
{
    if (index < 0 || index >= m_objectSlots)
        return;
    if (size_t(index) >= m_objects.size())
        m_objects.resize(size_t(index) + 1);
    hold(m_objects[size_t(index)], -1);
    m_objects[size_t(index)] = obj;
    hold(obj, 1);
}

void GdiContext::selectObject(int index)
{
    if (index < 0 || size_t(index) >= m_objects.size())
        return;
    const GdiObject &o = m_objects[size_t(index)];
    switch (o.kind) {
    case GdiObject::Pen:
        m_state.pen = o.pen;
        break;
    case GdiObject::Brush:
        m_state.brush = o.brush;
        break;
    case GdiObject::Font:
        m_state.font = o.font;
        break;
    default:
        break;
    }
}

void GdiContext::selectStockObject(int id)
{
    switch (id) {
    case 0:
        m_state.brush = GdiBrush{GdiBrush::Solid, Qt::white, 0, {}};
        break;
    case 1:
        m_state.brush = GdiBrush{GdiBrush::Solid, QColor(192, 192, 192), 0, {}};
        break;
    case 2:
        m_state.brush = GdiBrush{GdiBrush::Solid, QColor(128, 128, 128), 0, {}};
        break;
    case 3:
        m_state.brush = GdiBrush{GdiBrush::Solid, QColor(64, 64, 64), 0, {}};
        break;
    case 4:
        m_state.brush = GdiBrush{GdiBrush::Solid, Qt::black, 0, {}};
        break;
    case 5:
        m_state.brush = GdiBrush{GdiBrush::Null, Qt::black, 0, {}};
        break;
    case 6:
        m_state.pen = GdiPen{0, 0, Qt::white};
        break;
    case 7:
        m_state.pen = GdiPen{0, 0, Qt::black};
        break;
    case 8:
        m_state.pen = GdiPen{5, 0, Qt::black};
        break;
    case 10:
    case 11:
    case 16:
        m_state.font = GdiFont();
        m_state.font.height = 16;
        m_state.font.face = QStringLiteral("Monospace");
        break;
    case 12:
    case 13:
    case 14:
    case 17:
        m_state.font = GdiFont();
        m_state.font.height = 16;
        m_state.font.face = QStringLiteral("Sans Serif");
        break;
    default:
        break;
    }
}

void GdiContext::deleteObject(int index)
{
    if (index >= 0 && size_t(index) < m_objects.size()) {
        hold(m_objects[size_t(index)], -1);
        m_objects[size_t(index)] = GdiObject();
        m_firstFree = std::min(m_firstFree, size_t(index));
    }
}

namespace {

// The platform's default palette: its 20 static colours.
const QVector<QRgb> &defaultPalette()
{
    static const QVector<QRgb> colours = {
        0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA6CAF0,
        0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
    };
    return colours;
}

} // namespace

int GdiContext::paletteSlot(int index) const
{
    if (index < 0)
        index = m_state.palette;
    if (index < 0 || size_t(index) >= m_objects.size() || m_objects[size_t(index)].kind != GdiObject::Palette)
        return -1;
    return index;
}

void GdiContext::setPaletteEntries(int index, int start, const QVector<QRgb> &entries)
{
    const int slot = paletteSlot(index);
    if (slot < 0 || start < 0)
        return;
    GdiObject *o = &m_objects[size_t(slot)];
    const int n = std::min<qint64>(entries.size(), qint64(o->palette.size()) - start);
    for (int i = 0; i < n; ++i)
        o->palette[start + i] = entries[i];
}

void GdiContext::resizePalette(int index, int count)
{
    const int slot = paletteSlot(index);
    if (slot < 0)
        return;
    GdiObject *o = &m_objects[size_t(slot)];
    count = std::clamp(count, 1, kMaxPaletteEntries);
    const qint64 grow = count - qint64(o->palette.size());
    if (grow > 0 && !mayHoldPalette(grow))
        return;
    m_heldPaletteEntries += grow;
    o->palette.resize(count, qRgb(0, 0, 0));
}

const QVector<QRgb> *GdiContext::dibPalette(quint32 usage) const
{
    if (usage != 1)
        return nullptr;
    const int slot = paletteSlot(-1);
    if (slot < 0 || m_objects[size_t(slot)].palette.isEmpty())
        return &defaultPalette();
    return &m_objects[size_t(slot)].palette;
}

QPen GdiContext::qpen() const
{
    const int style = m_state.pen.style & 0xF;
    if (style == 5)
        return Qt::NoPen;
    double w = m_state.pen.width * scale();
    const double maxW = 2.0 * (m_image->width() + m_image->height());
    if (!(w >= 1))
        w = 1;
    if (w > maxW)
        w = maxW;
    QPen pen(m_state.pen.color, w);
    switch (style) {
    case 1:
        pen.setStyle(Qt::DashLine);
        break;
    case 2:
        pen.setStyle(Qt::DotLine);
        break;
    case 3:
        pen.setStyle(Qt::DashDotLine);
        break;
    case 4:
        pen.setStyle(Qt::DashDotDotLine);
        break;
    default:
        pen.setStyle(Qt::SolidLine);
        break;
    }
    switch (m_state.pen.style & 0xF00) {
    case 0x100:
        pen.setCapStyle(Qt::SquareCap);
        break;
    case 0x200:
        pen.setCapStyle(Qt::FlatCap);
        break;
    default:
        pen.setCapStyle(Qt::RoundCap);
        break;
    }
    switch (m_state.pen.style & 0xF000) {
    case 0x1000:
        pen.setJoinStyle(Qt::BevelJoin);
        break;
    case 0x2000:
        pen.setJoinStyle(Qt::MiterJoin);
        // Counted from the join's centre in pen widths: half the length
        // the records give, which runs across the whole join.
        pen.setMiterLimit(std::clamp(m_state.miterLimit, 1.0, 1000.0) / 2);
        break;
    default:
        pen.setJoinStyle(Qt::RoundJoin);
        break;
    }
    return pen;
}

QBrush GdiContext::qbrush(const GdiBrush &b) const
{
    QBrush brush = qbrushAtOrigin(b);
    // Patterns repeat from the brush origin, moved in image pixels.
    const QPointF origin(m_state.brushOrg.x() * m_device.m11(), m_state.brushOrg.y() * m_device.m22());
    if (!origin.isNull() && (b.style == GdiBrush::Hatched || b.style == GdiBrush::Pattern) &&
        std::abs(origin.x()) < kMaxCoord && std::abs(origin.y()) < kMaxCoord)
        brush.setTransform(QTransform::fromTranslate(origin.x(), origin.y()));
    return brush;
}

QBrush GdiContext::qbrushAtOrigin(const GdiBrush &b) const
{
    switch (b.style) {
    case GdiBrush::Null:
        return Qt::NoBrush;
    case GdiBrush::Hatched:
        return QBrush(b.color, hatchStyle(b.hatch));
    case GdiBrush::Pattern:
        if (b.mono && !b.pattern.isNull()) {
            // Coloured once for a run of fills with the same brush and colours.
            const MonoColouring key{b.pattern.cacheKey(), m_state.textColor.rgb(), m_state.bkColor.rgb()};
            if (!(key == m_monoColouring)) {
                QImage coloured = b.pattern;
                coloured.setColorTable({key.fore, key.back});
                m_monoBrush = QBrush(coloured.convertToFormat(QImage::Format_ARGB32_Premultiplied));
                m_monoColouring = key;
            }
            return m_monoBrush;
        }
        if (!b.pattern.isNull())
            return QBrush(b.pattern);
        return QBrush(b.color);
    default:
        return QBrush(b.color);
    }
}

namespace {

// The path up to where its outline reaches maxLength (curves counted by their
// control points, which never understates them); the path itself when shorter.
QPainterPath cutToLength(const QPainterPath &path, double maxLength)
{
    double length = 0;
    const int n = path.elementCount();
    for (int i = 1; i < n; ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo())
            continue;
        const QPainterPath::Element prev = path.elementAt(i - 1);
        length += std::hypot(e.x - prev.x, e.y - prev.y);
        if (length <= maxLength)
            continue;
        // Cut before the element that goes past, at a whole curve.
        int end = i;
        while (end > 0 && path.elementAt(end).type == QPainterPath::CurveToDataElement)
            --end;
        QPainterPath cut;
        cut.setFillRule(path.fillRule());
        for (int k = 0; k < end; ++k) {
            const QPainterPath::Element c = path.elementAt(k);
            if (c.isMoveTo())
                cut.moveTo(c);
            else if (c.isLineTo())
                cut.lineTo(c);
            else if (c.isCurveTo() && k + 2 < end)
                cut.cubicTo(c, path.elementAt(k + 1), path.elementAt(k + 2));
        }
        return cut;
    }
    return path;
}

} // namespace

bool GdiContext::sane(const QPainterPath &dev) const
{
    const QRectF r = dev.controlPointRect();
    return std::isfinite(r.left()) && std::isfinite(r.right()) && std::isfinite(r.top()) && std::isfinite(r.bottom()) &&
           std::abs(r.left()) < kMaxCoord && std::abs(r.right()) < kMaxCoord && std::abs(r.top()) < kMaxCoord &&
           std::abs(r.bottom()) < kMaxCoord;
}

void GdiContext::fillAndStroke(const QPainterPath &logical, bool fill, bool stroke)
{
    if (m_inPath) {
        if (pathHasRoom(logical.elementCount()))
            m_path.addPath(logical);
        return;
    }
    QPainterPath dev = fullTransform().map(logical);
    if (!sane(dev))
        return;
    dev = cutToLength(dev, m_limits.pathLength);
    dev.setFillRule(m_state.polyFillMode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
    if (m_state.rop2 == 11) // R2_NOP
        return;
    QBrush brush = qbrush(m_state.brush);
    QPen pen = stroke ? qpen() : QPen(Qt::NoPen);
    // The pen mix mode: a raster operation between pen (or brush) and page.
    const bool mixed = m_state.rop2 != 13 && m_state.rop2 >= 1 && m_state.rop2 <= 16;
    if (mixed) {
        m_painter.save();
        m_painter.setRenderHint(QPainter::Antialiasing, false);
        if (m_state.rop2 == 1 || m_state.rop2 == 16) {
            const QColor c = m_state.rop2 == 1 ? Qt::black : Qt::white;
            if (brush.style() != Qt::NoBrush)
                brush = QBrush(c);
            pen.setColor(c);
        } else {
            static const QPainter::CompositionMode modes[17] = {
                QPainter::CompositionMode_SourceOver,
                QPainter::CompositionMode_SourceOver,
                QPainter::RasterOp_NotSourceAndNotDestination, // R2_NOTMERGEPEN
                QPainter::RasterOp_NotSourceAndDestination,    // R2_MASKNOTPEN
                QPainter::RasterOp_NotSource,                  // R2_NOTCOPYPEN
                QPainter::RasterOp_SourceAndNotDestination,    // R2_MASKPENNOT
                QPainter::RasterOp_NotDestination,             // R2_NOT
                QPainter::RasterOp_SourceXorDestination,       // R2_XORPEN
                QPainter::RasterOp_NotSourceOrNotDestination,  // R2_NOTMASKPEN
                QPainter::RasterOp_SourceAndDestination,       // R2_MASKPEN
                QPainter::RasterOp_NotSourceXorDestination,    // R2_NOTXORPEN
                QPainter::CompositionMode_SourceOver,
                QPainter::RasterOp_NotSourceOrDestination, // R2_MERGENOTPEN
                QPainter::CompositionMode_SourceOver,
                QPainter::RasterOp_SourceOrNotDestination, // R2_MERGEPENNOT
                QPainter::RasterOp_SourceOrDestination,    // R2_MERGEPEN
                QPainter::CompositionMode_SourceOver,
            };
            m_painter.setCompositionMode(modes[m_state.rop2]);
        }
    }
    if (mixed && m_state.rop2 != 1 && m_state.rop2 != 16) {
        const bool filled = fill && m_state.brush.style != GdiBrush::Null;
        const QPen outline = pen;
        whitenUntouched(dev.controlPointRect(), [&](QPainter &mask) {
            if (filled)
                mask.fillPath(dev, Qt::black);
            if (outline.style() != Qt::NoPen)
                mask.strokePath(
                    dev, QPen(Qt::black, outline.widthF(), outline.style(), outline.capStyle(), outline.joinStyle()));
        });
    }
    if (fill && m_state.brush.style != GdiBrush::Null) {
        if (m_state.brush.style == GdiBrush::Hatched && m_state.bkMode == 2 && !mixed)
            m_painter.fillPath(dev, m_state.bkColor);
        m_painter.fillPath(dev, brush);
    }
    if (pen.style() != Qt::NoPen) {
        // A pen thinner than a pixel draws one solid pixel wide, unsmoothed,
        // where a smoothed line would straddle two pixels in grey.
        const bool hairline = !mixed && !(m_state.pen.width * scale() >= 1);
        if (hairline) {
            m_painter.save();
            m_painter.setRenderHint(QPainter::Antialiasing, false);
        }
        m_painter.strokePath(dev, pen);
        if (hairline)
            m_painter.restore();
    }
    if (mixed)
        m_painter.restore();
}

void GdiContext::lineTo(QPointF p)
{
    if (m_inPath) {
        if (!pathHasRoom(2)) {
            m_state.cur = p;
            return;
        }
        if (m_path.elementCount() == 0)
            m_path.moveTo(m_state.cur);
        m_path.lineTo(p);
        m_state.cur = p;
        return;
    }
    QPainterPath path;
    path.moveTo(m_state.cur);
    path.lineTo(p);
    m_state.cur = p;
    fillAndStroke(path, false, true);
}

void GdiContext::rectangle(const QRectF &r)
{
    QPainterPath path;
    path.addRect(r.normalized());
    fillAndStroke(path, true, true);
}

void GdiContext::roundRect(const QRectF &r, double cw, double ch)
{
    QPainterPath path;
    const QRectF n = r.normalized();
    path.addRoundedRect(n, std::min(std::abs(cw) / 2, n.width() / 2), std::min(std::abs(ch) / 2, n.height() / 2));
    fillAndStroke(path, true, true);
}

void GdiContext::ellipse(const QRectF &r)
{
    QPainterPath path;
    path.addEllipse(r.normalized());
    fillAndStroke(path, true, true);
}

void GdiContext::arc(ArcKind kind, const QRectF &rect, QPointF start, QPointF end)
{
    const QRectF r = rect.normalized();
    if (r.width() <= 0 || r.height() <= 0)
        return;
    const QPointF c = r.center();
    const double rx = r.width() / 2, ry = r.height() / 2;
    auto angleOf = [&](QPointF p) { return std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx) * 180 / M_PI; };
    const double a0 = angleOf(start);
    const double a1 = angleOf(end);
    double sweep = a1 - a0;
    if (m_state.arcDirection == 2) { // clockwise
        while (sweep >= 0)
            sweep -= 360;
    } else {
        while (sweep <= 0)
            sweep += 360;
    }
    QPainterPath path;
    if (kind == Pie) {
        path.moveTo(c);
        path.arcTo(r, a0, sweep);
        path.closeSubpath();
    } else if (kind == ArcTo) {
        path.moveTo(m_state.cur);
        path.arcTo(r, a0, sweep);
        m_state.cur = path.currentPosition();
    } else {
        path.arcMoveTo(r, a0);
        path.arcTo(r, a0, sweep);
        if (kind == Chord)
            path.closeSubpath();
    }
    if (m_inPath && kind == ArcTo) {
        continueFigure(path);
        return;
    }
    fillAndStroke(path, kind == Chord || kind == Pie, true);
}

void GdiContext::polygon(const QPolygonF &poly)
{
    if (poly.size() < 2)
        return;
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    fillAndStroke(path, true, true);
}

// A piece starting at the current position extends the figure being built;
// connectPath would instead drop the move that began the figure and join it
// to the one before.
void GdiContext::continueFigure(const QPainterPath &piece)
{
    if (!pathHasRoom(piece.elementCount()))
        return;
    if (m_path.elementCount() == 0)
        m_path.moveTo(piece.elementAt(0));
    for (int k = 1; k < piece.elementCount(); ++k) {
        const QPainterPath::Element e = piece.elementAt(k);
        if (e.isCurveTo() && k + 2 < piece.elementCount()) {
            m_path.cubicTo(e, piece.elementAt(k + 1), piece.elementAt(k + 2));
            k += 2;
        } else if (!e.isMoveTo()) {
            m_path.lineTo(e);
        }
    }
}

void GdiContext::polyline(const QPolygonF &poly)
{
    if (poly.size() < 2)
        return;
    QPainterPath path;
    path.addPolygon(poly);
    fillAndStroke(path, false, true);
}

void GdiContext::polylineTo(const QPolygonF &poly)
{
    if (poly.isEmpty())
        return;
    QPainterPath path;
    path.moveTo(m_state.cur);
    for (const QPointF &p : poly)
        path.lineTo(p);
    m_state.cur = poly.last();
    if (m_inPath) {
        continueFigure(path);
        return;
    }
    fillAndStroke(path, false, true);
}

void GdiContext::polyBezier(const QPolygonF &poly, bool to)
{
    QPainterPath path;
    int i = 0;
    if (to) {
        path.moveTo(m_state.cur);
    } else {
        if (poly.isEmpty())
            return;
        path.moveTo(poly[0]);
        i = 1;
    }
    for (; i + 2 < poly.size(); i += 3)
        path.cubicTo(poly[i], poly[i + 1], poly[i + 2]);
    m_state.cur = path.currentPosition();
    if (m_inPath && to) {
        continueFigure(path);
        return;
    }
    fillAndStroke(path, false, true);
}

void GdiContext::polyPolygon(const QVector<QPolygonF> &polys)
{
    QPainterPath path;
    for (const QPolygonF &p : polys) {
        if (p.size() < 2)
            continue;
        path.addPolygon(p);
        path.closeSubpath();
    }
    fillAndStroke(path, true, true);
}

void GdiContext::polyPolyline(const QVector<QPolygonF> &polys)
{
    QPainterPath path;
    for (const QPolygonF &p : polys)
        if (p.size() >= 2)
            path.addPolygon(p);
    fillAndStroke(path, false, true);
}

void GdiContext::setPixel(QPointF p, const QColor &c)
{
    const QPointF d = fullTransform().map(p);
    const double sc = std::max(1.0, scale());
    if (std::abs(d.x()) < kMaxCoord && std::abs(d.y()) < kMaxCoord)
        m_painter.fillRect(QRectF(d.x(), d.y(), sc, sc), c);
}

void GdiContext::fillRect(const QRectF &r, const QBrush &b)
{
    QPainterPath path;
    path.addRect(r.normalized());
    QPainterPath dev = fullTransform().map(path);
    if (sane(dev))
        m_painter.fillPath(dev, b);
}

namespace {

QPainterPath pathOf(const QRegion &region)
{
    QPainterPath path;
    path.addRegion(region);
    path.setFillRule(Qt::WindingFill);
    return path;
}

} // namespace

void GdiContext::fillImageRegion(const QRegion &region, const QBrush &brush)
{
    // A region is whole pixels: its rectangles fill through the clip, at the
    // cost of their area, however many there are. The painter holds a clip
    // as a span per row of each rectangle, so it is given the region a band
    // of rows at a time.
    const QRegion dev = region.intersected(m_image->rect());
    if (dev.isEmpty() || brush.style() == Qt::NoBrush)
        return;
    const int rows = int(std::clamp<qint64>(kMaxClipSpans / std::max(1, dev.rectCount()), 1, m_image->height()));
    const QRect box = dev.boundingRect();
    for (int y = box.top(); y <= box.bottom() && !m_stop->requested(); y += rows) {
        const QRegion band = dev.intersected(QRect(box.left(), y, box.width(), rows));
        m_painter.save();
        m_painter.setClipRegion(band, Qt::IntersectClip);
        m_painter.fillRect(band.boundingRect(), brush);
        m_painter.restore();
    }
}

void GdiContext::floodFill(QPointF start, const QColor &colour, bool surface)
{
    const QPointF d = fullTransform().map(start);
    if (!(std::abs(d.x()) < kMaxCoord && std::abs(d.y()) < kMaxCoord) || m_state.brush.style == GdiBrush::Null)
        return;
    const QPoint seed(int(std::floor(d.x())), int(std::floor(d.y())));
    const QImage &img = *m_image;
    if (!img.rect().contains(seed) || img.format() != QImage::Format_ARGB32_Premultiplied)
        return;
    const QRgb key = colour.rgb() & 0xffffff;
    auto inside = [&img, key, surface](int x, int y) {
        const QRgb c = reinterpret_cast<const QRgb *>(img.constScanLine(y))[x];
        const int white = 255 - qAlpha(c); // premultiplied: the page adds this much
        const QRgb shown = qRgb(qRed(c) + white, qGreen(c) + white, qBlue(c) + white) & 0xffffff;
        return surface ? shown == key : shown != key;
    };
    if (!inside(seed.x(), seed.y()))
        return;
    // Spans of rows, found from seeds; each pixel is marked once.
    constexpr size_t kMaxSeeds = 1 << 20;
    std::vector<uchar> seen(size_t(img.width()) * size_t(img.height()), 0);
    QVector<QRect> spans;
    std::vector<QPoint> seeds{seed};
    while (!seeds.empty() && spans.size() < m_limits.regionRects && !m_stop->poll()) {
        const QPoint p = seeds.back();
        seeds.pop_back();
        uchar *row = seen.data() + size_t(p.y()) * size_t(img.width());
        if (row[p.x()] || !inside(p.x(), p.y()))
            continue;
        int left = p.x(), right = p.x();
        while (left > 0 && !row[left - 1] && inside(left - 1, p.y()))
            --left;
        while (right + 1 < img.width() && !row[right + 1] && inside(right + 1, p.y()))
            ++right;
        std::memset(row + left, 1, size_t(right - left + 1));
        spans.append(QRect(left, p.y(), right - left + 1, 1));
        // A seed at the start of every run of fillable pixels above and below.
        for (int y : {p.y() - 1, p.y() + 1}) {
            if (y < 0 || y >= img.height())
                continue;
            const uchar *next = seen.data() + size_t(y) * size_t(img.width());
            bool run = false;
            for (int x = left; x <= right; ++x) {
                const bool open = !next[x] && inside(x, y);
                if (open && !run && seeds.size() < kMaxSeeds)
                    seeds.emplace_back(x, y);
                run = open;
            }
        }
    }
    fillImageRegion(regionFromRects(spans, m_stop));
}

void GdiContext::fillImageRegion(const QRegion &dev)
{
    if (m_state.brush.style != GdiBrush::Null)
        fillImageRegion(dev, qbrush(m_state.brush));
}

bool GdiContext::imageRegion(const QRegion &logical, QRegion *out) const
{
    const QTransform t = fullTransform();
    if (t.m12() != 0 || t.m21() != 0 || t.type() > QTransform::TxScale)
        return false;
    QVector<QRect> rects;
    rects.reserve(logical.rectCount());
    for (const QRect &r : logical) {
        if (m_stop->poll())
            break;
        QRect px;
        if (axisAlignedRect(t, QRectF(r), &px) && !px.isEmpty())
            rects.append(px);
    }
    // Bands from top to bottom, so each rectangle joins the region at its end.
    std::sort(rects.begin(), rects.end(), [](const QRect &a, const QRect &b) {
        return a.top() != b.top() ? a.top() < b.top() : a.left() < b.left();
    });
    *out = regionFromRects(rects, m_stop);
    return true;
}

void GdiContext::fillLogicalRegion(const QRegion &logical, const QBrush &brush)
{
    QRegion dev;
    if (imageRegion(logical, &dev)) {
        fillImageRegion(dev, brush);
        return;
    }
    const QPainterPath path = fullTransform().map(pathOf(logical));
    if (sane(path))
        m_painter.fillPath(path, brush);
}

void GdiContext::fillRegion(int regionIndex, int brushIndex)
{
    if (regionIndex < 0 || size_t(regionIndex) >= m_objects.size() ||
        m_objects[size_t(regionIndex)].kind != GdiObject::Region)
        return;
    GdiBrush brush = m_state.brush;
    if (brushIndex >= 0) {
        if (size_t(brushIndex) >= m_objects.size() || m_objects[size_t(brushIndex)].kind != GdiObject::Brush)
            return;
        brush = m_objects[size_t(brushIndex)].brush;
    }
    if (brush.style != GdiBrush::Null)
        fillLogicalRegion(m_objects[size_t(regionIndex)].region, qbrush(brush));
}

namespace {

// The part of a region that a w x h box moved along its inside edge reaches:
// the region less the region shrunk by w and h.
QRegion frameOf(const QRegion &region, int w, int h)
{
    const int fw = std::max(1, std::abs(w)), fh = std::max(1, std::abs(h));
    const QRegion inner = region.intersected(region.translated(fw, 0))
                              .intersected(region.translated(-fw, 0))
                              .intersected(region.translated(0, fh))
                              .intersected(region.translated(0, -fh));
    return region.subtracted(inner);
}

} // namespace

void GdiContext::frameRegion(int regionIndex, int brushIndex, int w, int h)
{
    if (regionIndex < 0 || size_t(regionIndex) >= m_objects.size() ||
        m_objects[size_t(regionIndex)].kind != GdiObject::Region || brushIndex < 0 ||
        size_t(brushIndex) >= m_objects.size() || m_objects[size_t(brushIndex)].kind != GdiObject::Brush)
        return;
    fillLogicalRegion(frameOf(m_objects[size_t(regionIndex)].region, w, h),
                      qbrush(m_objects[size_t(brushIndex)].brush));
}

void GdiContext::paintLogicalRegion(const QRegion &logical)
{
    if (m_state.brush.style != GdiBrush::Null)
        fillLogicalRegion(logical, qbrush(m_state.brush));
}

void GdiContext::frameLogicalRegion(const QRegion &logical, int w, int h)
{
    if (m_state.brush.style == GdiBrush::Null)
        return;
    // Strokes are at least a pixel wide, however small the logical units.
    const QTransform t = fullTransform();
    const double sx = std::hypot(t.m11(), t.m12()), sy = std::hypot(t.m21(), t.m22());
    const int limit = m_image->width() + m_image->height();
    QRegion dev;
    if (imageRegion(logical, &dev)) {
        fillImageRegion(frameOf(dev, boundedInt(std::abs(double(w)) * sx, Rounding::HalfAway, 0, limit, 1),
                                boundedInt(std::abs(double(h)) * sy, Rounding::HalfAway, 0, limit, 1)),
                        qbrush(m_state.brush));
        return;
    }
    // Turned: framed in logical units, then drawn as a shape. Wider strokes
    // than the picture frame nothing more.
    auto logicalStroke = [limit](int given, double scale) {
        if (!(scale > 0))
            return 1;
        const int onePixel = boundedInt(1 / scale, Rounding::Up, 1, 1 << 24, 1);
        const int most = boundedInt(limit / scale, Rounding::Up, 1, 1 << 24, 1);
        return std::min(std::max(boundedInt(std::abs(double(given)), Rounding::HalfAway, 1, 1 << 24, 1), onePixel),
                        most);
    };
    fillLogicalRegion(frameOf(logical, logicalStroke(w, sx), logicalStroke(h, sy)), qbrush(m_state.brush));
}

void GdiContext::invertLogicalRegion(const QRegion &logical)
{
    QRegion dev;
    if (imageRegion(logical, &dev)) {
        invertImageRegion(dev);
        return;
    }
    const QPainterPath path = fullTransform().map(pathOf(logical));
    if (!sane(path))
        return;
    whitenUntouched(path.controlPointRect(), [&path](QPainter &mask) { mask.fillPath(path, Qt::black); });
    m_painter.save();
    m_painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    m_painter.fillPath(path, Qt::black);
    m_painter.restore();
}

void GdiContext::invertImageRegion(const QRegion &dev)
{
    const QRegion inside = dev.intersected(m_image->rect());
    if (inside.isEmpty())
        return;
    whitenUntouched(inside.boundingRect(), [&inside](QPainter &mask) {
        mask.setClipRegion(inside, Qt::IntersectClip);
        mask.fillRect(inside.boundingRect(), Qt::black);
    });
    m_painter.save();
    m_painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    fillImageRegion(inside, QBrush(Qt::black));
    m_painter.restore();
}

void GdiContext::selectClipRegion(int regionIndex)
{
    if (regionIndex < 0 || size_t(regionIndex) >= m_objects.size() ||
        m_objects[size_t(regionIndex)].kind != GdiObject::Region) {
        resetClip();
        return;
    }
    QPainterPath dev = fullTransform().map(pathOf(m_objects[size_t(regionIndex)].region));
    if (sane(dev))
        setClipDevice(dev, 5);
}

void GdiContext::fillLogicalPath(const QPainterPath &path, const QBrush &b)
{
    const QTransform t = fullTransform();
    if (!sane(t.map(path)))
        return;
    m_painter.save();
    m_painter.setTransform(t);
    m_painter.fillPath(path, b);
    m_painter.restore();
}

QFont GdiContext::qfont(double *pixelHeight) const
{
    QFont f(m_state.font.face.isEmpty() ? QStringLiteral("Sans Serif") : m_state.font.face);
    const QTransform t = fullTransform();
    const double sy = std::sqrt(t.m21() * t.m21() + t.m22() * t.m22());
    double h = std::abs(double(m_state.font.height)) * sy;
    if (m_state.font.height > 0)
        h *= 0.85; // cell height to character height
    if (m_state.font.height == 0)
        h = 16 * std::min(1.0, sy * 12);
    h = std::isnan(h) ? 16 : std::clamp(h, 1.0, 4096.0);
    f.setPixelSize(boundedInt(h, Rounding::HalfAway, 1, 4096, 1));
    if (m_state.font.width > 0) {
        const double sx = std::sqrt(t.m11() * t.m11() + t.m12() * t.m12());
        const double wpx = m_state.font.width * sx;
        // An average character is about half the em wide.
        const int stretch = boundedInt(100 * wpx / (0.5 * h), Rounding::HalfAway, 0, 4000, 0);
        if (stretch > 0 && stretch != 100)
            f.setStretch(stretch);
    }
    f.setWeight(QFont::Weight(std::clamp(m_state.font.weight == 0 ? 400 : m_state.font.weight, 100, 900)));
    f.setItalic(m_state.font.italic);
    f.setUnderline(m_state.font.underline);
    f.setStrikeOut(m_state.font.strikeout);
    f.setStyleStrategy(QFont::PreferAntialias);
    // Symbol faces' codes are mapped to Unicode; these faces draw them. A
    // face of the symbol's own name may be installed with the codes only,
    // where it draws nothing for the Unicode signs.
    switch (symbolFace(m_state.font.face)) {
    case SymbolFace::Symbol:
        f.setFamilies({QStringLiteral("Nimbus Roman"), QStringLiteral("DejaVu Serif"), QStringLiteral("OpenSymbol")});
        break;
    case SymbolFace::Wingdings:
    case SymbolFace::Wingdings2:
    case SymbolFace::Wingdings3:
        f.setFamilies({QStringLiteral("Symbola"), QStringLiteral("DejaVu Sans"), QStringLiteral("OpenSymbol")});
        break;
    case SymbolFace::MtExtra:
        f.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("OpenSymbol"), QStringLiteral("Symbola")});
        break;
    case SymbolFace::None:
        break;
    }
    *pixelHeight = h;
    return f;
}

void GdiContext::drawTextRun(const QString &text, QPointF at, double advance, const QFontMetricsF &fm)
{
    // A run whose box (with room for overhangs) misses the picture costs
    // nothing to leave out, however large its font.
    const double m = fm.height();
    const QRectF box = QRectF(at.x(), at.y() - fm.ascent(), advance, fm.height()).normalized().adjusted(-m, -m, m, m);
    if (!m_painter.transform().mapRect(box).intersects(QRectF(m_image->rect())))
        return;
    m_painter.drawText(at, text);
}

void GdiContext::textOut(QPointF p, const QString &allText, const QVector<double> &givenDx, int options,
                         const QRectF &rect)
{
    if (m_inPath)
        return;
    const QRectF box = rect.normalized();
    const bool opaqueBox = (options & 2) && !box.isEmpty();
    // Fonts need the application object; without one (a bare tool) text is
    // left out. The opaque rectangle needs no characters: charts paint their
    // background with an empty string.
    if (allText.isEmpty() || !QGuiApplication::instance()) {
        if (opaqueBox)
            fillRect(box, m_state.bkColor);
        return;
    }
    const QTransform t = fullTransform();
    const bool updateCp = m_state.textAlign & 1;
    const QPointF logicalPos = updateCp ? m_state.cur : p;
    const QPointF d = t.map(logicalPos);
    if (!(std::abs(d.x()) < kMaxCoord && std::abs(d.y()) < kMaxCoord))
        return;
    double pixelHeight = 0;
    const QFont font = qfont(&pixelHeight);
    const QFontMetricsF fm(font);
    const double sx = std::sqrt(t.m11() * t.m11() + t.m12() * t.m12());

    // The characters this picture's size allows at this font size, decided
    // before any is drawn; the rest are left out.
    const qint64 em = boundedInt(pixelHeight * pixelHeight, Rounding::Up, 1, INT_MAX, 1);
    const qsizetype allowed =
        qsizetype(std::min<qint64>(m_limits.textChars, std::max<qint64>(1, m_limits.textPixels / em)));
    QString text = allText.left(allowed);
    if (text.size() < allText.size() && text.back().isHighSurrogate())
        text.chop(1);
    // A sign no face here can draw is left out, its place kept, rather than
    // shown as a box.
    if (symbolFace(m_state.font.face) != SymbolFace::None)
        blankUndrawable(&text, fm, m_stop);

    // Extra spacing between characters, and justification at spaces, apply
    // where the record gives no advances of its own.
    // A character outside the 16-bit range takes two units; its advance goes
    // with the first, the second advances nothing.
    auto unitAdvance = [&](qsizetype i) -> double {
        const qsizetype n = unitsAt(text, i);
        if (n == 0)
            return 0;
        return n == 1 ? fm.horizontalAdvance(text.at(i)) : fm.horizontalAdvance(text.mid(i, 2));
    };
    QVector<double> dx = givenDx;
    if (dx.isEmpty() && (m_state.charExtra != 0 || m_state.breakExtra != 0) && sx > 0) {
        dx.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i)
            dx.append(unitsAt(text, i) == 0 ? 0
                                            : unitAdvance(i) / sx + m_state.charExtra +
                                                  (text.at(i) == QLatin1Char(' ') ? m_state.breakExtra : 0));
    }

    // Character advances in pixels: the record's own, or the font's.
    QVector<double> adv;
    double total = 0;
    if (dx.isEmpty()) {
        total = fm.horizontalAdvance(text);
    } else {
        adv.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            const double a = i < dx.size() ? dx[i] * sx : unitAdvance(i);
            adv.append(a);
            total += a;
        }
    }

    m_painter.save();
    if (options & 4) { // clipped to the rectangle
        QPainterPath cr;
        cr.addRect(box);
        m_painter.setClipPath(t.map(cr), Qt::IntersectClip);
    }
    if (opaqueBox)
        fillRect(box, m_state.bkColor);

    // The baseline is the escapement's logical direction mapped to the
    // device: with the y axis flipped, an escapement of 270 degrees runs up
    // the page, as charts with y up expect.
    const double esc = m_state.font.escapement * M_PI / 1800;
    const QPointF base = t.map(QPointF(std::cos(esc), -std::sin(esc))) - t.map(QPointF(0, 0));
    const double angle = std::atan2(base.y(), base.x()) * 180 / M_PI;
    m_painter.translate(d);
    m_painter.rotate(angle);
    double x = 0;
    const int h = m_state.textAlign & 6;
    if (h == 6)
        x = -total / 2;
    else if (h == 2)
        x = -total;
    double y = 0;
    const int v = m_state.textAlign & 24;
    if (v == 0)
        y = fm.ascent();
    else if (v == 8)
        y = -fm.descent();
    if (m_state.bkMode == 2 && !(options & 2))
        m_painter.fillRect(QRectF(x, y - fm.ascent(), total, fm.height()), m_state.bkColor);
    m_painter.setFont(font);
    m_painter.setPen(m_state.textColor);
    if (dx.isEmpty()) {
        // In runs, so that a long string can be stopped between them.
        constexpr qsizetype kRun = 64;
        double cx = x;
        for (qsizetype i = 0; i < text.size() && !m_stop->requested();) {
            qsizetype n = std::min(kRun, text.size() - i);
            if (i + n < text.size() && text.at(i + n - 1).isHighSurrogate())
                ++n;
            const QString run = n == text.size() ? text : text.mid(i, n);
            const double a = n == text.size() ? total : fm.horizontalAdvance(run);
            drawTextRun(run, QPointF(cx, y), a, fm);
            cx += a;
            i += n;
        }
    } else {
        double cx = x;
        for (qsizetype i = 0; i < text.size() && !m_stop->requested();) {
            const qsizetype n = std::max<qsizetype>(1, unitsAt(text, i));
            const double a = n == 2 ? adv[i] + adv[i + 1] : adv[i];
            drawTextRun(text.mid(i, n), QPointF(cx, y), a, fm);
            cx += a;
            i += n;
        }
    }
    m_painter.restore();
    applyClip();
    if (updateCp) {
        // Move the current position along the baseline by the text's width.
        const QTransform inv = t.inverted();
        const double rad = angle * M_PI / 180;
        const QPointF endDev = d + QPointF(std::cos(rad), std::sin(rad)) * total;
        m_state.cur = inv.map(endDev);
    }
}

void GdiContext::patBlt(const QRectF &r, quint32 rop)
{
    QPainterPath path;
    path.addRect(r.normalized());
    QPainterPath dev = fullTransform().map(path);
    if (!sane(dev))
        return;
    switch (ropIndex(rop)) {
    case 0x00: // black
        m_painter.fillPath(dev, Qt::black);
        break;
    case 0xFF: // white
        m_painter.fillPath(dev, Qt::white);
        break;
    case 0x55: // invert the destination
        whitenUntouched(dev.controlPointRect(), [&](QPainter &mask) { mask.fillPath(dev, Qt::black); });
        m_painter.save();
        m_painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        m_painter.fillPath(dev, Qt::black);
        m_painter.restore();
        break;
    case 0x5A: // brush xor destination
        whitenUntouched(dev.controlPointRect(), [&](QPainter &mask) { mask.fillPath(dev, Qt::black); });
        m_painter.save();
        m_painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        m_painter.fillPath(dev, qbrush(m_state.brush));
        m_painter.restore();
        break;
    case 0xAA:
        break; // destination unchanged
    default:
        if (m_state.brush.style != GdiBrush::Null)
            m_painter.fillPath(dev, qbrush(m_state.brush));
        break;
    }
}

void GdiContext::drawImage(const QRectF &dest, const QImage &img, const QRectF &src, quint32 rop)
{
    const int index = ropIndex(rop);
    if (img.isNull() && index != 0x00 && index != 0xFF) {
        patBlt(dest, rop);
        return;
    }
    const QTransform t = fullTransform();
    QPainterPath path;
    path.addRect(dest);
    if (!sane(t.map(path)))
        return;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (index) {
    case 0x88: // SRCAND
        mode = QPainter::RasterOp_SourceAndDestination;
        break;
    case 0xEE: // SRCPAINT
        mode = QPainter::RasterOp_SourceOrDestination;
        break;
    case 0x66: // SRCINVERT
        mode = QPainter::RasterOp_SourceXorDestination;
        break;
    case 0x33: // NOTSRCCOPY
        mode = QPainter::RasterOp_NotSource;
        break;
    case 0x44: // SRCERASE
        mode = QPainter::RasterOp_SourceAndNotDestination;
        break;
    case 0xBB: // MERGEPAINT
        mode = QPainter::RasterOp_NotSourceOrDestination;
        break;
    case 0x22:
        mode = QPainter::RasterOp_NotSourceAndDestination;
        break;
    case 0x00:
    case 0xFF:
    case 0x55:
    case 0xAA:
        patBlt(dest, rop);
        return;
    default:
        break;
    }
    if (mode != QPainter::CompositionMode_SourceOver) {
        const QPolygonF area = t.map(QPolygonF(dest));
        whitenUntouched(area.boundingRect(), [&](QPainter &mask) { mask.drawPolygon(area); });
    }
    QImage shown = img;
    QRectF from = src.isValid() ? src : QRectF(img.rect());
    // Stretched bitmaps are sampled, not smoothed, as the platform does;
    // HALFTONE averages the source pixels of each one shown when shrinking.
    constexpr int kHalftone = 4;
    if (m_state.stretchMode == kHalftone && !img.isNull() && t.type() <= QTransform::TxScale &&
        QRectF(img.rect()).contains(from.normalized())) {
        const QSizeF shownSize(std::abs(dest.width() * t.m11()), std::abs(dest.height() * t.m22()));
        const QRect part = from.normalized().toAlignedRect();
        if (shownSize.width() < part.width() || shownSize.height() < part.height()) {
            const QImage averaged = img.copy(part).scaled(std::clamp(qRound(shownSize.width()), 1, part.width()),
                                                          std::clamp(qRound(shownSize.height()), 1, part.height()),
                                                          Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            if (!averaged.isNull()) {
                // Flips of the source rectangle kept.
                const double fx = averaged.width() / double(part.width()),
                             fy = averaged.height() / double(part.height());
                from = QRectF((from.left() - part.left()) * fx, (from.top() - part.top()) * fy, from.width() * fx,
                              from.height() * fy);
                shown = averaged;
            }
        }
    }
    m_painter.save();
    m_painter.setTransform(t);
    m_painter.setCompositionMode(mode);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // Source rectangles of DIBs count rows from the top here.
    m_painter.drawImage(dest, shown, from);
    m_painter.restore();
}

namespace {

// A monochrome mask as opaque (set: white in the bitmap) and transparent
// pixels; the part of it from maskAt that the rectangle of size covers,
// *part set to that part's place in the mask.
QImage maskCover(const QImage &mask, QPoint maskAt, QSize size, QRect *part, DecodeStop *stop)
{
    *part = QRect(maskAt, size).intersected(mask.rect());
    if (part->isEmpty())
        return QImage();
    QImage cover = mask.copy(*part).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < cover.height(); ++y) {
        if (stop->poll())
            return QImage();
        auto *row = reinterpret_cast<QRgb *>(cover.scanLine(y));
        for (int x = 0; x < cover.width(); ++x)
            row[x] = qGray(row[x]) >= 128 ? 0xffffffffu : 0u;
    }
    return cover;
}

} // namespace

void GdiContext::maskBlt(const QRectF &dest, const QImage &img, const QRectF &src, const QImage &mask, QPoint maskAt,
                         quint32 foreRop, quint32 backRop)
{
    if (mask.isNull() || ropIndex(foreRop) == ropIndex(backRop) || !(src.width() > 0 && src.height() > 0)) {
        drawImage(dest, img, src, foreRop);
        return;
    }
    const QTransform t = fullTransform();
    QPainterPath path;
    path.addRect(dest);
    const QPainterPath dev = t.map(path);
    if (!sane(dev))
        return;
    const QRect box = dev.controlPointRect().toAlignedRect().adjusted(-2, -2, 2, 2).intersected(m_image->rect());
    // The source rectangle's size in whole pixels, within what a bitmap may be.
    const QSize size(boundedInt(src.width(), Rounding::Up, 1, 1 << 20),
                     boundedInt(src.height(), Rounding::Up, 1, 1 << 20));
    QRect part;
    const QImage set = maskCover(mask, maskAt, size, &part, m_stop);
    QImage cover(box.size(), QImage::Format_Alpha8);
    if (box.isEmpty() || cover.isNull())
        return;
    cover.fill(0);
    if (!set.isNull()) {
        // The mask goes where the source pixels it pairs with go.
        const double sx = dest.width() / src.width(), sy = dest.height() / src.height();
        const QRectF at(dest.left() + (part.left() - maskAt.x()) * sx, dest.top() + (part.top() - maskAt.y()) * sy,
                        part.width() * sx, part.height() * sy);
        QPainter p(&cover);
        p.setTransform(t * QTransform::fromTranslate(-box.left(), -box.top()));
        p.drawImage(at, set);
    }
    // Both operations on the page as it was; the mask picks between them.
    const QImage before = m_image->copy(box);
    drawImage(dest, img, src, backRop);
    const QImage back = m_image->copy(box);
    if (before.isNull() || back.isNull())
        return;
    const size_t rowBytes = size_t(box.width()) * 4;
    for (int y = 0; y < box.height(); ++y)
        std::memcpy(m_image->scanLine(box.top() + y) + box.left() * 4, before.constScanLine(y), rowBytes);
    drawImage(dest, img, src, foreRop);
    for (int y = 0; y < box.height() && !m_stop->poll(); ++y) {
        const uchar *c = cover.constScanLine(y);
        const auto *b = reinterpret_cast<const QRgb *>(back.constScanLine(y));
        auto *row = reinterpret_cast<QRgb *>(m_image->scanLine(box.top() + y)) + box.left();
        for (int x = 0; x < box.width(); ++x)
            if (c[x] < 128)
                row[x] = b[x];
    }
}

void GdiContext::plgBlt(const QPolygonF &corners, const QImage &img, const QRectF &src, const QImage &mask,
                        QPoint maskAt)
{
    if (img.isNull() || corners.size() != 3 || src.width() == 0 || src.height() == 0)
        return;
    const QRect part = src.normalized().toAlignedRect().intersected(img.rect());
    if (part.isEmpty())
        return;
    QImage piece = img.copy(part).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (piece.isNull())
        return;
    if (!mask.isNull()) {
        // The mask pairs with the source rectangle from its corner: where
        // it is not set, or missing, the page shows through.
        QRect maskPart;
        const QPoint from = maskAt + part.topLeft() - src.normalized().topLeft().toPoint();
        const QImage set = maskCover(mask, from, part.size(), &maskPart, m_stop);
        for (int y = 0; y < piece.height(); ++y) {
            if (m_stop->poll())
                return;
            auto *row = reinterpret_cast<QRgb *>(piece.scanLine(y));
            const int my = from.y() + y - maskPart.top();
            for (int x = 0; x < piece.width(); ++x) {
                const int mx = from.x() + x - maskPart.left();
                const bool on = !set.isNull() && mx >= 0 && my >= 0 && mx < set.width() && my < set.height() &&
                                qAlpha(set.pixel(mx, my));
                if (!on)
                    row[x] = 0;
            }
        }
    }
    // Source pixels to logical units: the rectangle's corner goes to the
    // first point, its width along the second, its height along the third.
    const QPointF u = (corners[1] - corners[0]) / src.width(), v = (corners[2] - corners[0]) / src.height();
    const QTransform toLogical(u.x(), u.y(), v.x(), v.y(), corners[0].x() - src.left() * u.x() - src.top() * v.x(),
                               corners[0].y() - src.left() * u.y() - src.top() * v.y());
    const QTransform t = toLogical * fullTransform();
    QPainterPath path;
    path.addRect(QRectF(part));
    if (!sane(t.map(path)))
        return;
    m_painter.save();
    m_painter.setTransform(t);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    m_painter.drawImage(QRectF(part), piece);
    m_painter.restore();
}

// Raster operations mix with the page under the picture, white, where the
// picture has drawn nothing yet; on transparent pixels they would leave no
// trace. So the pixels the operation covers (drawn by paintCover, in device
// pixels, within the clip) are made white first where untouched.
void GdiContext::whitenUntouched(const QRectF &deviceBounds, const std::function<void(QPainter &)> &paintCover)
{
    const QRect box = deviceBounds.toAlignedRect().adjusted(-2, -2, 2, 2).intersected(m_image->rect());
    if (box.isEmpty() || m_image->format() != QImage::Format_ARGB32_Premultiplied)
        return;
    QImage cover(box.size(), QImage::Format_Alpha8);
    if (cover.isNull())
        return;
    cover.fill(0);
    {
        QPainter mask(&cover);
        mask.translate(-box.topLeft());
        if (m_painter.hasClipping())
            mask.setClipRegion(m_painter.clipRegion());
        mask.setPen(Qt::NoPen);
        mask.setBrush(Qt::black);
        paintCover(mask);
    }
    for (int y = 0; y < box.height() && !m_stop->poll(); ++y) {
        const uchar *c = cover.constScanLine(y);
        auto *row = reinterpret_cast<QRgb *>(m_image->scanLine(box.top() + y)) + box.left();
        for (int x = 0; x < box.width(); ++x)
            if (c[x] && qAlpha(row[x]) == 0)
                row[x] = 0xffffffff;
    }
}

void GdiContext::beginPath()
{
    m_inPath = true;
    m_path = QPainterPath();
    m_path.moveTo(m_state.cur);
}

void GdiContext::fillPath()
{
    m_inPath = false;
    fillAndStroke(m_path, true, false);
    m_path = QPainterPath();
}

void GdiContext::strokePath()
{
    m_inPath = false;
    fillAndStroke(m_path, false, true);
    m_path = QPainterPath();
}

void GdiContext::strokeAndFillPath()
{
    m_inPath = false;
    fillAndStroke(m_path, true, true);
    m_path = QPainterPath();
}

void GdiContext::selectClipPath(int mode)
{
    m_inPath = false;
    QPainterPath dev = fullTransform().map(m_path);
    dev.setFillRule(m_state.polyFillMode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
    m_path = QPainterPath();
    if (sane(dev))
        setClipDevice(dev, mode == 0 ? 5 : mode);
}

void GdiContext::applyClip()
{
    // setClipping(false) would leave the raster engine ignoring the next clip.
    if (!m_state.hasClip)
        m_painter.setClipRegion(QRegion(), Qt::NoClip);
    else if (m_state.clipIsRegion)
        m_painter.setClipRegion(m_state.clipRegion);
    else
        m_painter.setClipPath(m_state.clip);
}

void GdiContext::setClipRegion(const QRegion &region, int mode)
{
    if (m_state.hasClip && !m_state.clipIsRegion) {
        QPainterPath p;
        p.addRegion(region);
        setClipDevice(p, mode);
        return;
    }
    const QRegion whole(m_image->rect().adjusted(-1, -1, 1, 1));
    const QRegion current = m_state.hasClip ? m_state.clipRegion : whole;
    switch (mode) {
    case 1:
        m_state.clipRegion = current.intersected(region);
        break;
    case 2:
        m_state.clipRegion = current.united(region);
        break;
    case 3:
        m_state.clipRegion = current.xored(region);
        break;
    case 4:
        m_state.clipRegion = current.subtracted(region);
        break;
    default:
        if (region.isEmpty()) {
            resetClip();
            return;
        }
        m_state.clipRegion = region;
        break;
    }
    // A clip the painter would hold in more spans than allowed is kept as
    // its bounding rectangle.
    qint64 spans = 0;
    for (const QRect &r : m_state.clipRegion.intersected(m_image->rect()))
        spans += r.height();
    if (spans > kMaxClipSpans)
        m_state.clipRegion = QRegion(m_state.clipRegion.boundingRect());
    m_state.hasClip = true;
    m_state.clipIsRegion = true;
    m_state.clip = QPainterPath();
    applyClip();
}

void GdiContext::intersectClipRect(const QRectF &r)
{
    QRect pixels;
    if (axisAlignedRect(fullTransform(), r, &pixels)) {
        setClipRegion(QRegion(pixels), 1);
        return;
    }
    QPainterPath p;
    p.addRect(r.normalized());
    QPainterPath dev = m_windowOnPicture ? fullTransform().map(p) : fullTransform().map(p);
    if (!sane(dev))
        return;
    setClipDevice(dev, 1);
}

void GdiContext::excludeClipRect(const QRectF &r)
{
    QRect pixels;
    if (axisAlignedRect(fullTransform(), r, &pixels)) {
        setClipRegion(QRegion(pixels), 4);
        return;
    }
    QPainterPath p;
    p.addRect(r.normalized());
    QPainterPath dev = fullTransform().map(p);
    if (!sane(dev))
        return;
    setClipDevice(dev, 4);
}

void GdiContext::setClipDevice(const QPainterPath &dev, int mode)
{
    QPainterPath whole;
    whole.addRect(QRectF(m_image->rect()).adjusted(-1, -1, 1, 1));
    QPainterPath current = m_state.hasClip ? m_state.clip : whole;
    if (m_state.hasClip && m_state.clipIsRegion) {
        current = QPainterPath();
        current.addRegion(m_state.clipRegion);
    }
    if (current.elementCount() + dev.elementCount() > kMaxClipElements)
        return;
    switch (mode) {
    case 1:
        m_state.clip = current.intersected(dev);
        break;
    case 2:
        m_state.clip = current.united(dev);
        break;
    case 3:
        m_state.clip = current.united(dev).subtracted(current.intersected(dev));
        break;
    case 4:
        m_state.clip = current.subtracted(dev);
        break;
    default:
        if (dev.isEmpty()) {
            resetClip();
            return;
        }
        m_state.clip = dev;
        break;
    }
    m_state.hasClip = true;
    m_state.clipIsRegion = false;
    applyClip();
}

void GdiContext::resetClip()
{
    m_state.hasClip = false;
    m_state.clipIsRegion = false;
    m_state.clipRegion = QRegion();
    m_state.clip = QPainterPath();
    applyClip();
}

void GdiContext::offsetClip(QPointF d)
{
    if (!m_state.hasClip)
        return;
    const QTransform t = fullTransform();
    const QPointF dd = t.map(d) - t.map(QPointF(0, 0));
    // Far enough to take any clip off the picture; clips are kept within
    // this box, so offsets never add up past what an int holds.
    constexpr int kFar = 1 << 26;
    const QRect box(-kFar, -kFar, 2 * kFar, 2 * kFar);
    if (m_state.clipIsRegion) {
        const std::optional<int> dx = checkedInt(dd.x(), Rounding::HalfAway, -kFar, kFar);
        const std::optional<int> dy = checkedInt(dd.y(), Rounding::HalfAway, -kFar, kFar);
        if (dx && dy)
            m_state.clipRegion = m_state.clipRegion.translated(*dx, *dy).intersected(box);
        else
            m_state.clipRegion = QRegion(); // moved off the picture, or by no number: nothing shows
    } else {
        if (std::abs(dd.x()) < kFar && std::abs(dd.y()) < kFar)
            m_state.clip.translate(dd);
        if (!(std::abs(dd.x()) < kFar && std::abs(dd.y()) < kFar) ||
            !m_state.clip.boundingRect().intersects(QRectF(m_image->rect())))
            m_state.clip = QPainterPath();
    }
    applyClip();
}

void GdiContext::saveDc()
{
    if (m_saved.size() < kMaxSavedStates)
        m_saved.push_back(m_state);
}

void GdiContext::restoreDc(int relative)
{
    if (m_saved.empty())
        return;
    long idx;
    if (relative < 0)
        idx = long(m_saved.size()) + relative;
    else
        idx = long(relative) - 1;
    if (idx < 0 || idx >= long(m_saved.size()))
        return;
    m_state = m_saved[size_t(idx)];
    m_saved.resize(size_t(idx));
    applyClip();
}

} // namespace ptt::metafile

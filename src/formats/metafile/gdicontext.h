#pragma once
// The drawing layer both metafile players share: a device context as the
// records expect it (object table, pens, brushes, fonts, mapping, clipping,
// paths, saved states) drawing on a QImage through QPainter.
#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRegion>
#include <QString>
#include <QTransform>
#include <QVector>

#include "../decodestop.h"

#include <functional>
#include <vector>

namespace ptt::metafile {

// What one record may cost, fixed from the size of the image drawn on before
// any record plays. A record beyond them is drawn reduced: cut at the limit,
// or (a region) as its bounding rectangle.
struct RecordLimits {
    int regionRects;           // rectangles of one region
    qint64 heldRegionRects;    // of all the regions the object table holds
    int pathPoints;            // points of one record, and of the path being built
    double pathLength;         // length of one drawn outline, in image pixels
    int textChars;             // characters one text record draws
    qint64 textPixels;         // em squares of the characters of one text record, in pixels
    int gradientShapes;        // triangles or rectangles of one gradient fill
    qint64 gradientPixels;     // the image area they may cover together
    qint64 heldPatternPixels;  // of all the pattern brushes the object table holds
    qint64 heldPaletteEntries; // of all the logical palettes the object table holds

    static RecordLimits forImage(QSize image);
};

struct GdiPen {
    int style = 0;    // PS_* with end cap and join bits
    double width = 0; // logical units; 0 is one device pixel
    QColor color = Qt::black;
};

struct GdiBrush {
    enum Style { Solid = 0, Null = 1, Hatched = 2, Pattern = 3 };
    int style = Solid;
    QColor color = Qt::white;
    int hatch = 0;
    QImage pattern;
    // A 1-bit pattern coloured when it paints: 0 bits in the text colour,
    // 1 bits in the background colour of that moment.
    bool mono = false;
};

struct GdiFont {
    int height = 0; // logical units; negative = character height
    int width = 0;
    int escapement = 0; // tenths of a degree, counter-clockwise
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    int charset = 1;
    QString face;
};

struct GdiObject {
    enum Kind { Empty, Pen, Brush, Font, Region, Palette, Other };
    Kind kind = Empty;
    GdiPen pen;
    GdiBrush brush;
    GdiFont font;
    QRegion region;        // logical units
    QVector<QRgb> palette; // a logical palette's entries
};

// Map modes as the records number them.
enum MapMode {
    MM_TEXT = 1,
    MM_LOMETRIC,
    MM_HIMETRIC,
    MM_LOENGLISH,
    MM_HIENGLISH,
    MM_TWIPS,
    MM_ISOTROPIC,
    MM_ANISOTROPIC
};

// Size of one logical unit of a fixed map mode in millimetres (0 for the
// modes whose unit is set by window and viewport).
double mapModeUnitMm(int mapMode);

struct DcState {
    GdiPen pen;
    GdiBrush brush;
    GdiFont font;
    QColor textColor = Qt::black;
    QColor bkColor = Qt::white;
    int bkMode = 2;       // OPAQUE
    int polyFillMode = 1; // ALTERNATE
    int textAlign = 0;
    int charExtra = 0;     // logical units between characters
    double breakExtra = 0; // logical units added to each break character (space)
    int rop2 = 13;
    int arcDirection = 1; // counter-clockwise
    int mapMode = MM_TEXT;
    QPointF winOrg, winExt{1, 1}, vpOrg, vpExt{1, 1};
    bool viewportSet = false;
    QTransform world;
    bool hasClip = false;
    // The clip in image pixels: whole pixels as a region while every step
    // was rectangular (fast, exact), a path once anything was not.
    bool clipIsRegion = false;
    QRegion clipRegion;
    QPainterPath clip;
    QPointF cur;            // logical units
    int palette = -1;       // object slot of the selected palette; -1 the default one
    QPointF brushOrg;       // device units: where pattern and hatch brushes start
    double miterLimit = 10; // mitre length over pen width
    int stretchMode = 1;    // BLACKONWHITE
};

class GdiContext {
public:
    // image: ARGB32 premultiplied, already cleared. stop: asked in every
    // loop whose length comes from the file.
    GdiContext(QImage *image, DecodeStop *stop);
    ~GdiContext();

    DecodeStop *stop() const { return m_stop; }
    const RecordLimits &limits() const { return m_limits; }
    // Whether the object table may take a region of this many rectangles, or
    // a pattern brush of this many pixels, within its budget.
    bool mayHoldRegion(qint64 rects) const { return m_heldRegionRects + rects <= m_limits.heldRegionRects; }
    bool mayHoldPattern(qint64 pixels) const { return m_heldPatternPixels + pixels <= m_limits.heldPatternPixels; }
    bool mayHoldPalette(qint64 entries) const { return m_heldPaletteEntries + entries <= m_limits.heldPaletteEntries; }
    // Image pixels the rectangle (logical units) covers, clipped to the image.
    qint64 imageArea(const QRectF &logical) const;

    // Device units to image pixels (EMF: reference-device pixels; WMF: the
    // picture's window is mapped here directly).
    void setDeviceTransform(const QTransform &t) { m_device = t; }
    // Device pixels per millimetre, for the metric map modes.
    void setDevicePixelsPerMm(double x, double y)
    {
        m_pxPerMmX = x;
        m_pxPerMmY = y;
    }
    // WMF plays the window straight onto the picture, whatever the map mode,
    // until the file sets a viewport: that is read in the units of the
    // picture's frame (the first window), which the picture shows.
    void setWindowOnPicture(const QRectF &frame)
    {
        m_windowOnPicture = true;
        m_frame = frame;
        m_state.vpOrg = frame.topLeft();
        m_state.vpExt = QPointF(frame.width(), frame.height());
    }

    QTransform pageTransform() const;
    QTransform fullTransform() const; // logical units to image pixels

    // Object table.
    void resizeObjects(int count);
    int objectCount() const { return m_objectSlots; }
    int addObject(const GdiObject &obj); // lowest free slot, -1 when full
    void setObject(int index, const GdiObject &obj);
    void selectObject(int index);
    void selectStockObject(int id);
    void deleteObject(int index);

    // Logical palettes. index -1 names the selected one; a stock or missing
    // palette is the platform's default one of 20 colours.
    void selectPalette(int index) { m_state.palette = index; }
    void setPaletteEntries(int index, int start, const QVector<QRgb> &entries);
    void resizePalette(int index, int count);
    // The colours a DIB's colour table names with colour usage `usage`:
    // null for DIB_RGB_COLORS (the table holds colours), else the selected
    // palette, which 16-bit indexes (DIB_PAL_COLORS) pick from.
    const QVector<QRgb> *dibPalette(quint32 usage) const;

    // The state the records set. A selected object changes through
    // selectObject and the stock objects; the setters here take a state as
    // the records give it, unchecked.
    const GdiPen &pen() const { return m_state.pen; }
    const GdiBrush &brush() const { return m_state.brush; }
    void setBrush(const GdiBrush &b) { m_state.brush = b; }
    const GdiFont &font() const { return m_state.font; }
    QColor textColor() const { return m_state.textColor; }
    void setTextColor(const QColor &c) { m_state.textColor = c; }
    QColor bkColor() const { return m_state.bkColor; }
    void setBkColor(const QColor &c) { m_state.bkColor = c; }
    int bkMode() const { return m_state.bkMode; }
    void setBkMode(int mode) { m_state.bkMode = mode; }
    int polyFillMode() const { return m_state.polyFillMode; }
    void setPolyFillMode(int mode) { m_state.polyFillMode = mode; }
    int textAlign() const { return m_state.textAlign; }
    void setTextAlign(int align) { m_state.textAlign = align; }
    void setCharExtra(int extra) { m_state.charExtra = extra; }
    // SetTextJustification: extra logical units shared by count break characters.
    void setTextJustification(int extra, int count) { m_state.breakExtra = count > 0 ? double(extra) / count : 0; }
    int rop2() const { return m_state.rop2; }
    void setRop2(int rop) { m_state.rop2 = rop; }
    int arcDirection() const { return m_state.arcDirection; }
    void setBrushOrigin(QPointF deviceUnits) { m_state.brushOrg = deviceUnits; }
    void setMiterLimit(double limit) { m_state.miterLimit = limit; }
    void setStretchMode(int mode) { m_state.stretchMode = mode; }
    void setArcDirection(int direction) { m_state.arcDirection = direction; }

    // Mapping: logical units through the world transform, then the window to
    // the viewport (map mode), then the device transform.
    int mapMode() const { return m_state.mapMode; }
    void setMapMode(int mode) { m_state.mapMode = mode; }
    QPointF windowOrg() const { return m_state.winOrg; }
    void setWindowOrg(QPointF org) { m_state.winOrg = org; }
    QPointF windowExt() const { return m_state.winExt; }
    void setWindowExt(QPointF ext) { m_state.winExt = ext; }
    QPointF viewportOrg() const { return m_state.vpOrg; }
    void setViewportOrg(QPointF org)
    {
        m_state.vpOrg = org;
        m_state.viewportSet = true;
    }
    QPointF viewportExt() const { return m_state.vpExt; }
    void setViewportExt(QPointF ext)
    {
        m_state.vpExt = ext;
        m_state.viewportSet = true;
    }
    const QTransform &worldTransform() const { return m_state.world; }
    void setWorldTransform(const QTransform &t) { m_state.world = t; }

    // The current position, logical units. Setting it starts no figure in a
    // path; moveTo does.
    QPointF currentPosition() const { return m_state.cur; }
    void setCurrentPosition(QPointF p) { m_state.cur = p; }

    // Drawing, in logical units.
    void moveTo(QPointF p)
    {
        m_state.cur = p;
        if (m_inPath)
            m_path.moveTo(p);
    }
    void lineTo(QPointF p);
    void rectangle(const QRectF &r);
    void roundRect(const QRectF &r, double cw, double ch);
    void ellipse(const QRectF &r);
    enum ArcKind { Arc, Chord, Pie, ArcTo };
    void arc(ArcKind kind, const QRectF &r, QPointF start, QPointF end);
    void polygon(const QPolygonF &poly);
    void polyline(const QPolygonF &poly);
    void polylineTo(const QPolygonF &poly);
    void polyBezier(const QPolygonF &poly, bool to);
    void polyPolygon(const QVector<QPolygonF> &polys);
    void polyPolyline(const QVector<QPolygonF> &polys);
    void setPixel(QPointF p, const QColor &c);
    void textOut(QPointF p, const QString &text, const QVector<double> &dx, int options, const QRectF &rect);
    void patBlt(const QRectF &r, quint32 rop);
    void drawImage(const QRectF &dest, const QImage &img, const QRectF &src, quint32 rop);
    // MaskBlt: the foreground raster operation where the mask (as large as
    // the source rectangle from maskAt, white as set) is set, the background
    // one elsewhere. A null mask is a plain blit with the foreground one.
    void maskBlt(const QRectF &dest, const QImage &img, const QRectF &src, const QImage &mask, QPoint maskAt,
                 quint32 foreRop, quint32 backRop);
    // PlgBlt: the source rectangle onto the parallelogram of corners
    // (logical units) upper-left, upper-right and lower-left; where a mask
    // is given, only its set pixels are copied.
    void plgBlt(const QPolygonF &corners, const QImage &img, const QRectF &src, const QImage &mask, QPoint maskAt);
    void fillRect(const QRectF &r, const QBrush &b);
    // Fills a logical path; a gradient brush's coordinates are logical too.
    void fillLogicalPath(const QPainterPath &path, const QBrush &b);
    // Regions held in the object table (WMF); brushIndex -1 is the selected brush.
    void fillRegion(int regionIndex, int brushIndex);
    void frameRegion(int regionIndex, int brushIndex, int w, int h);
    // Regions of the drawing records (EMF), in logical units like any shape:
    // filled with the selected brush, framed with it by strokes w wide and h
    // high (logical units), inverted.
    void paintLogicalRegion(const QRegion &logical);
    void frameLogicalRegion(const QRegion &logical, int w, int h);
    void invertLogicalRegion(const QRegion &logical);
    void selectClipRegion(int regionIndex);
    // Flood fill with the selected brush from a point (logical units): the
    // pixels reached without crossing the colour (border), or those of the
    // colour (surface), as shown over a white page. Bounded by the picture;
    // past the region limit, the part found so far is filled.
    void floodFill(QPointF start, const QColor &colour, bool surface);
    // Whole image pixels, with the given brush or the selected one.
    void fillImageRegion(const QRegion &imagePixels);
    void fillImageRegion(const QRegion &imagePixels, const QBrush &brush);

    // Paths.
    void beginPath();
    void endPath() { m_inPath = false; }
    void abortPath()
    {
        m_inPath = false;
        m_path = QPainterPath();
    }
    void closeFigure()
    {
        if (m_inPath)
            m_path.closeSubpath();
    }
    void fillPath();
    void strokePath();
    void strokeAndFillPath();
    void selectClipPath(int mode);

    // Clipping, in logical units unless said otherwise.
    void intersectClipRect(const QRectF &r);
    void excludeClipRect(const QRectF &r);
    void setClipDevice(const QPainterPath &devicePath, int mode); // RGN_* modes; empty + COPY resets
    void setClipRegion(const QRegion &imagePixels, int mode);
    void resetClip();
    void offsetClip(QPointF d);

    void saveDc();
    void restoreDc(int relative);

private:
    QPen qpen() const;
    QBrush qbrush(const GdiBrush &b) const;
    QBrush qbrushAtOrigin(const GdiBrush &b) const;
    void fillAndStroke(const QPainterPath &logical, bool fill, bool stroke);
    void applyClip();
    double scale() const;
    QFont qfont(double *pixelHeight) const;
    bool sane(const QPainterPath &dev) const;
    void continueFigure(const QPainterPath &piece);
    void whitenUntouched(const QRectF &deviceBounds, const std::function<void(QPainter &)> &paintCover);
    bool pathHasRoom(int elements) const { return m_path.elementCount() + qint64(elements) <= m_limits.pathPoints; }
    void hold(const GdiObject &o, int sign);
    int paletteSlot(int index) const; // -1 when index (or the selected one) is no palette
    bool imageRegion(const QRegion &logical, QRegion *imagePixels) const;
    void fillLogicalRegion(const QRegion &logical, const QBrush &brush);
    void invertImageRegion(const QRegion &dev);
    void drawTextRun(const QString &text, QPointF at, double advance, const QFontMetricsF &fm);

    struct MonoColouring {
        qint64 pattern = 0;
        QRgb fore = 0, back = 0;
        bool operator==(const MonoColouring &o) const
        {
            return pattern == o.pattern && fore == o.fore && back == o.back;
        }
    };
    mutable MonoColouring m_monoColouring;
    mutable QBrush m_monoBrush;

    QImage *m_image;
    DecodeStop *m_stop;
    RecordLimits m_limits;
    qint64 m_heldRegionRects = 0;
    qint64 m_heldPatternPixels = 0;
    qint64 m_heldPaletteEntries = 0;
    QPainter m_painter;
    QTransform m_device;
    double m_pxPerMmX = 96 / 25.4, m_pxPerMmY = 96 / 25.4;
    bool m_windowOnPicture = false;
    QRectF m_frame;
    std::vector<GdiObject> m_objects; // grows up to m_objectSlots; slots past its end are empty
    int m_objectSlots = 0;
    size_t m_firstFree = 0; // no empty slot before this one
    DcState m_state;
    std::vector<DcState> m_saved;
    bool m_inPath = false;
    QPainterPath m_path; // logical units
};

// A transparent ARGB32 premultiplied image: zero bytes, which memory fresh
// from the system already is, so it costs no pass over its pixels. Null when
// memory is short or *stop asks to stop while it is being set up.
QImage transparentImage(QSize size, DecodeStop *stop);

} // namespace ptt::metafile

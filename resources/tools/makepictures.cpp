// Draws the pictures stored with the program: the main window's pattern, the
// twelve samples, the map window's ten small pictures, the free layout
// window's three small pictures, the window icon and the desktop icon in the
// sizes a package installs. Everything is drawn from fixed seeds, so a run
// gives the same files every time.
//
//   makepictures <resources folder>
#include "formats/bmpwriter.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QtMath>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Draw = std::function<void(QPainter &, const QSize &)>;

QColor mix(const QColor &a, const QColor &b, qreal t)
{
    return QColor::fromRgbF(
        float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
        float(a.blueF() + (b.blueF() - a.blueF()) * t), float(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

void verticalGradient(QPainter &p, const QRectF &r, const QList<QPair<qreal, QColor>> &stops)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    for (const auto &s : stops)
        g.setColorAt(s.first, s.second);
    p.fillRect(r, g);
}

// A soft glow: a radial gradient from colour to transparent.
void glow(QPainter &p, const QPointF &c, qreal radius, const QColor &color)
{
    QRadialGradient g(c, radius);
    g.setColorAt(0, color);
    QColor edge = color;
    edge.setAlpha(0);
    g.setColorAt(1, edge);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(c, radius, radius);
}

// A flower seen from above: petals shaded from the centre out, and a
// dotted heart.
void flower(QPainter &p, const QPointF &c, qreal r, int petals, const QColor &inner, const QColor &outer,
            const QColor &heart, qreal turn = 0)
{
    p.save();
    p.translate(c);
    p.rotate(turn);
    p.setPen(Qt::NoPen);
    for (int layer = 0; layer < 2; ++layer) {
        const qreal lr = layer == 0 ? r : r * 0.68;
        p.save();
        p.rotate(layer * 180.0 / petals);
        for (int i = 0; i < petals; ++i) {
            QRadialGradient g(QPointF(0, 0), lr);
            g.setColorAt(0, layer == 0 ? inner : mix(inner, Qt::white, 0.35));
            g.setColorAt(1, layer == 0 ? outer : mix(outer, inner, 0.5));
            p.setBrush(g);
            QPainterPath petal;
            petal.moveTo(0, 0);
            petal.cubicTo(lr * 0.45, -lr * 0.35, lr * 1.05, -lr * 0.28, lr, 0);
            petal.cubicTo(lr * 1.05, lr * 0.28, lr * 0.45, lr * 0.35, 0, 0);
            p.drawPath(petal);
            p.rotate(360.0 / petals);
        }
        p.restore();
    }
    QRadialGradient hg(QPointF(-r * 0.05, -r * 0.05), r * 0.24);
    hg.setColorAt(0, mix(heart, Qt::white, 0.45));
    hg.setColorAt(1, mix(heart, Qt::black, 0.25));
    p.setBrush(hg);
    p.drawEllipse(QPointF(0, 0), r * 0.22, r * 0.22);
    p.setBrush(mix(heart, Qt::black, 0.45));
    for (int i = 0; i < 12; ++i) {
        const qreal a = i * 2.399963; // golden angle
        const qreal d = r * 0.16 * qSqrt((i + 0.5) / 12.0);
        p.drawEllipse(QPointF(d * qCos(a), d * qSin(a)), r * 0.018, r * 0.018);
    }
    p.restore();
}

void leaf(QPainter &p, const QPointF &base, qreal length, qreal angle, const QColor &color)
{
    p.save();
    p.translate(base);
    p.rotate(angle);
    QLinearGradient g(0, -length * 0.2, 0, length * 0.2);
    g.setColorAt(0, mix(color, Qt::white, 0.25));
    g.setColorAt(1, mix(color, Qt::black, 0.3));
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    QPainterPath path;
    path.moveTo(0, 0);
    path.cubicTo(length * 0.3, -length * 0.32, length * 0.75, -length * 0.22, length, 0);
    path.cubicTo(length * 0.75, length * 0.22, length * 0.3, length * 0.32, 0, 0);
    p.drawPath(path);
    p.setPen(QPen(mix(color, Qt::white, 0.4), qMax(1.0, length / 60)));
    p.drawLine(QPointF(length * 0.05, 0), QPointF(length * 0.9, 0));
    p.restore();
}

// Fine grain over the whole picture, like paper or film: it keeps large
// smooth areas from banding and gives the JPEG files some texture.
void grain(QImage &image, int strength, quint32 seed)
{
    QRandomGenerator random(seed);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = int(random.bounded(2 * strength + 1)) - strength;
            const QRgb c = line[x];
            line[x] = qRgb(qBound(0, qRed(c) + n, 255), qBound(0, qGreen(c) + n, 255), qBound(0, qBlue(c) + n, 255));
        }
    }
}

// Cells of the nearest of a set of points, each filled with its own colour
// and shaded towards its edge, with dark joints: a mosaic or stained glass.
void cells(QImage &image, int count, quint32 seed, const std::function<QColor(int, QRandomGenerator &)> &color,
           const QColor &joint, qreal jointWidth, bool wrap)
{
    QRandomGenerator random(seed);
    const int w = image.width();
    const int h = image.height();
    struct Seed {
        QPointF at;
        QColor color;
    };
    std::vector<Seed> seeds;
    for (int i = 0; i < count; ++i)
        seeds.push_back({QPointF(random.bounded(double(w)), random.bounded(double(h))), color(i, random)});
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            qreal best = 1e18, second = 1e18;
            int bestIndex = 0;
            for (int i = 0; i < count; ++i) {
                qreal dx = seeds[i].at.x() - x;
                qreal dy = seeds[i].at.y() - y;
                if (wrap) {
                    dx = std::remainder(dx, qreal(w));
                    dy = std::remainder(dy, qreal(h));
                }
                const qreal d = dx * dx + dy * dy;
                if (d < best) {
                    second = best;
                    best = d;
                    bestIndex = i;
                } else if (d < second) {
                    second = d;
                }
            }
            const qreal edge = qSqrt(second) - qSqrt(best); // distance to the joint, about twice
            QColor c = seeds[bestIndex].color;
            const qreal shade = qBound(0.0, edge / 30.0, 1.0);
            c = mix(mix(c, Qt::black, 0.25), mix(c, Qt::white, 0.12), shade);
            if (edge < jointWidth)
                c = mix(joint, c, qBound(0.0, (edge - jointWidth * 0.6) / (jointWidth * 0.4), 1.0));
            line[x] = c.rgb();
        }
    }
}

QImage render(const QSize &size, const Draw &draw)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    draw(p, size);
    return image;
}

// Draws f at every place where a copy of the picture repeated side by side
// shows it, so shapes that cross an edge continue on the other side.
void wrapped(const QSize &s, const std::function<void(const QPointF &)> &f, const QPointF &at)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            f(at + QPointF(dx * s.width(), dy * s.height()));
}

// ---------------------------------------------------------------- pictures

QImage pattern()
{
    const QSize s(382, 383);
    QImage image = render(s, [](QPainter &p, const QSize &s) {
        p.fillRect(QRect(QPoint(0, 0), s), QColor(250, 240, 222));
        // A faint lattice of diamonds, periodic with the tile.
        p.setPen(QPen(QColor(232, 206, 178), 2));
        for (int k = -2; k <= 2; ++k) {
            p.drawLine(QPointF(k * s.width() / 2.0, 0), QPointF(k * s.width() / 2.0 + s.width(), s.height()));
            p.drawLine(QPointF(k * s.width() / 2.0 + s.width(), 0), QPointF(k * s.width() / 2.0, s.height()));
        }
        const QPointF centre(s.width() / 2.0, s.height() / 2.0);
        const QPointF corner(0, 0);
        const QPointF midTop(s.width() / 2.0, 0);
        const QPointF midLeft(0, s.height() / 2.0);
        // Leaves under the flowers.
        for (int i = 0; i < 4; ++i) {
            const qreal a = 45 + 90 * i;
            wrapped(
                s, [&](const QPointF &at) { leaf(p, at, 105, a, QColor(96, 150, 84)); }, centre);
            wrapped(
                s, [&](const QPointF &at) { leaf(p, at, 80, a + 45, QColor(84, 138, 96)); }, corner);
        }
        wrapped(
            s,
            [&](const QPointF &at) {
                flower(p, at, 92, 8, QColor(255, 236, 240), QColor(214, 70, 110), QColor(240, 180, 40), 11);
            },
            centre);
        wrapped(
            s,
            [&](const QPointF &at) {
                flower(p, at, 74, 6, QColor(255, 250, 230), QColor(236, 150, 48), QColor(150, 70, 30), 30);
            },
            corner);
        for (const QPointF &at : {midTop, midLeft})
            wrapped(
                s,
                [&](const QPointF &c) {
                    flower(p, c, 30, 5, QColor(236, 240, 255), QColor(96, 118, 210), QColor(250, 220, 90), 18);
                },
                at);
        // Small buds between.
        const QPointF buds[] = {{s.width() * 0.25, s.height() * 0.25},
                                {s.width() * 0.75, s.height() * 0.25},
                                {s.width() * 0.25, s.height() * 0.75},
                                {s.width() * 0.75, s.height() * 0.75}};
        for (const QPointF &b : buds)
            wrapped(
                s, [&](const QPointF &c) { glow(p, c, 16, QColor(226, 120, 140, 200)); }, b);
    });
    grain(image, 3, 11);
    return image;
}

QImage bouquet(const QSize &s, quint32 seed)
{
    QImage image = render(s, [seed](QPainter &p, const QSize &s) {
        verticalGradient(p, QRectF(QPointF(0, 0), s),
                         {{0, QColor(255, 214, 170)}, {0.55, QColor(246, 160, 150)}, {1, QColor(120, 80, 130)}});
        QRandomGenerator random(seed);
        for (int i = 0; i < 26; ++i)
            glow(p, QPointF(random.bounded(s.width()), random.bounded(s.height())), 20 + random.bounded(60),
                 QColor(255, 255, 230, 40 + int(random.bounded(50))));
        const qreal k = s.width() / 685.0;
        const QColor palettes[][3] = {
            {QColor(255, 250, 250), QColor(240, 120, 150), QColor(250, 200, 60)},
            {QColor(255, 255, 235), QColor(250, 200, 60), QColor(160, 80, 30)},
            {QColor(245, 240, 255), QColor(150, 100, 220), QColor(250, 230, 120)},
            {QColor(255, 245, 240), QColor(230, 70, 60), QColor(90, 40, 30)},
            {QColor(255, 255, 255), QColor(255, 180, 200), QColor(240, 190, 70)},
        };
        for (int i = 0; i < 40; ++i)
            leaf(p, QPointF(random.bounded(s.width()), s.height() * (0.3 + random.bounded(0.8))),
                 (60 + random.bounded(60)) * k, random.bounded(360.0), QColor(70 + int(random.bounded(40)), 140, 80));
        for (int i = 0; i < 24; ++i) {
            const auto &pal = palettes[random.bounded(5)];
            const QPointF at(random.bounded(double(s.width())), s.height() * (0.12 + random.bounded(0.85)));
            flower(p, at, (38 + random.bounded(52)) * k, 5 + int(random.bounded(7)), pal[0], pal[1], pal[2],
                   random.bounded(360.0));
        }
    });
    grain(image, 5, seed);
    return image;
}

QImage mosaic(const QSize &s, quint32 seed, bool glass)
{
    QImage image(s, QImage::Format_RGB32);
    if (glass) {
        cells(
            image, 140, seed,
            [](int, QRandomGenerator &r) {
                const QColor choices[] = {QColor(200, 40, 60),  QColor(40, 90, 190),  QColor(250, 190, 40),
                                          QColor(60, 150, 90),  QColor(140, 60, 170), QColor(240, 120, 40),
                                          QColor(70, 170, 200), QColor(230, 220, 170)};
                return choices[r.bounded(8)];
            },
            QColor(30, 26, 30), 5, false);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setCompositionMode(QPainter::CompositionMode_Screen);
        glow(p, QPointF(s.width() * 0.3, s.height() * 0.25), s.width() * 0.6, QColor(255, 250, 220, 110));
    } else {
        cells(
            image, 420, seed,
            [](int, QRandomGenerator &r) {
                const qreal hue = 0.5 + r.bounded(0.17); // sea greens to blues
                return QColor::fromHsvF(float(std::fmod(hue, 1.0)), float(0.45 + r.bounded(0.4)),
                                        float(0.6 + r.bounded(0.35)));
            },
            QColor(238, 232, 214), 3.2, false);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        flower(p, QPointF(s.width() / 2.0, s.height() / 2.0), s.width() * 0.3, 8, QColor(255, 245, 220),
               QColor(220, 110, 40), QColor(180, 40, 40), 0);
    }
    grain(image, 4, seed);
    return image;
}

QImage rosette(const QSize &s, quint32 seed)
{
    QImage image = render(s, [](QPainter &p, const QSize &s) {
        const QPointF c(s.width() / 2.0, s.height() / 2.0);
        QRadialGradient bg(c, s.width() * 0.75);
        bg.setColorAt(0, QColor(40, 60, 110));
        bg.setColorAt(1, QColor(10, 16, 40));
        p.fillRect(QRectF(QPointF(0, 0), s), bg);
        const qreal R = s.width() * 0.48;
        const QColor rings[] = {QColor(250, 200, 90),  QColor(230, 90, 110),  QColor(110, 200, 200),
                                QColor(250, 240, 220), QColor(160, 120, 230), QColor(250, 150, 60)};
        for (int ring = 0; ring < 6; ++ring) {
            const qreal radius = R * (1.0 - ring * 0.15);
            const int n = 24 - ring * 3;
            for (int i = 0; i < n; ++i) {
                const qreal a = 2 * M_PI * (i + (ring % 2) * 0.5) / n;
                const QPointF at = c + QPointF(qCos(a), qSin(a)) * radius * 0.82;
                p.save();
                p.translate(at);
                p.rotate(qRadiansToDegrees(a));
                QRadialGradient g(QPointF(0, 0), radius * 0.18);
                g.setColorAt(0, mix(rings[ring], Qt::white, 0.5));
                g.setColorAt(1, rings[ring]);
                p.setBrush(g);
                p.setPen(QPen(QColor(20, 20, 40, 160), 1.5));
                p.drawEllipse(QPointF(0, 0), radius * 0.17, radius * 0.08);
                p.restore();
            }
        }
        flower(p, c, R * 0.16, 12, QColor(255, 250, 240), QColor(240, 170, 60), QColor(200, 60, 60));
    });
    grain(image, 4, seed);
    return image;
}

QImage landscape(const QSize &s, quint32 seed, bool night)
{
    QImage image = render(s, [seed, night](QPainter &p, const QSize &s) {
        const qreal w = s.width(), h = s.height();
        if (night)
            verticalGradient(p, QRectF(0, 0, w, h),
                             {{0, QColor(8, 12, 40)}, {0.5, QColor(40, 50, 110)}, {0.7, QColor(120, 90, 140)}});
        else
            verticalGradient(p, QRectF(0, 0, w, h),
                             {{0, QColor(80, 120, 200)}, {0.45, QColor(250, 170, 120)}, {0.62, QColor(255, 220, 150)}});
        QRandomGenerator random(seed);
        if (night) {
            for (int i = 0; i < 260; ++i) {
                const QPointF at(random.bounded(w), random.bounded(h * 0.6));
                glow(p, at, 1 + random.bounded(3.0), QColor(255, 255, 240, 120 + int(random.bounded(135))));
            }
            glow(p, QPointF(w * 0.72, h * 0.2), w * 0.16, QColor(255, 250, 220, 90));
            p.setBrush(QColor(250, 246, 225));
            p.drawEllipse(QPointF(w * 0.72, h * 0.2), w * 0.06, w * 0.06);
        } else {
            glow(p, QPointF(w * 0.35, h * 0.5), w * 0.35, QColor(255, 240, 180, 200));
            p.setBrush(QColor(255, 246, 210));
            p.drawEllipse(QPointF(w * 0.35, h * 0.5), w * 0.07, w * 0.07);
        }
        // Hills, far to near.
        for (int layer = 0; layer < 5; ++layer) {
            const qreal base = h * (0.5 + layer * 0.1);
            const qreal amp = h * (0.06 + layer * 0.012);
            const qreal f1 = 1.5 + random.bounded(2.0), f2 = 3 + random.bounded(4.0), ph = random.bounded(6.28);
            QPainterPath path;
            path.moveTo(0, h);
            const auto ridge = [&](qreal x) {
                return base - amp * (qSin(x / w * f1 * M_PI + ph) * 0.7 + qSin(x / w * f2 * M_PI + ph * 2) * 0.3);
            };
            for (qreal x = 0; x < w; x += 4)
                path.lineTo(x, ridge(x));
            path.lineTo(w, ridge(w));
            path.lineTo(w, h);
            path.closeSubpath();
            const qreal t = layer / 4.0;
            const QColor near = night ? QColor(14, 20, 36) : QColor(40, 90, 60);
            const QColor far = night ? QColor(70, 70, 120) : QColor(170, 140, 170);
            QLinearGradient g(0, base - amp, 0, h);
            g.setColorAt(0, mix(far, near, t));
            g.setColorAt(1, mix(far, near, qMin(1.0, t + 0.3)));
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            p.drawPath(path);
        }
        if (!night) {
            // Trees on the nearest hill.
            for (int i = 0; i < 14; ++i) {
                const qreal x = random.bounded(w), y = h * (0.86 + random.bounded(0.12)),
                            th = h * (0.08 + random.bounded(0.06));
                p.setBrush(QColor(20, 60 + int(random.bounded(30)), 40));
                QPolygonF tree({QPointF(x, y - th), QPointF(x - th * 0.3, y), QPointF(x + th * 0.3, y)});
                p.drawPolygon(tree);
            }
        }
    });
    grain(image, 5, seed);
    return image;
}

QImage bokeh(const QSize &s, quint32 seed)
{
    QImage image = render(s, [seed](QPainter &p, const QSize &s) {
        verticalGradient(p, QRectF(QPointF(0, 0), s),
                         {{0, QColor(30, 10, 50)}, {0.5, QColor(90, 20, 80)}, {1, QColor(20, 30, 70)}});
        QRandomGenerator random(seed);
        for (int i = 0; i < 90; ++i) {
            const QPointF at(random.bounded(double(s.width())), random.bounded(double(s.height())));
            const qreal r = s.width() * (0.02 + random.bounded(0.09));
            const QColor c =
                QColor::fromHsvF(float(random.bounded(1.0)), 0.6f, 1.0f, float(0.15 + random.bounded(0.35)));
            QRadialGradient g(at, r);
            g.setColorAt(0, mix(c, QColor(255, 255, 255, c.alpha()), 0.3));
            g.setColorAt(0.85, c);
            QColor e = c;
            e.setAlpha(0);
            g.setColorAt(1, e);
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            p.drawEllipse(at, r, r);
        }
    });
    grain(image, 6, seed);
    return image;
}

QImage stars(const QSize &s, quint32 seed)
{
    // Eight-pointed stars on a lattice, in warm tile colours.
    QImage image = render(s, [](QPainter &p, const QSize &s) {
        p.fillRect(QRectF(QPointF(0, 0), s), QColor(22, 70, 96));
        const int n = 5;
        const qreal step = s.width() / qreal(n);
        for (int j = 0; j <= n; ++j) {
            for (int i = 0; i <= n; ++i) {
                const QPointF c(i * step, j * step);
                QPolygonF star;
                for (int k = 0; k < 16; ++k) {
                    const qreal a = k * M_PI / 8;
                    const qreal r = (k % 2 ? 0.3 : 0.5) * step;
                    star << c + QPointF(qCos(a), qSin(a)) * r;
                }
                QRadialGradient g(c, step * 0.5);
                g.setColorAt(0, QColor(255, 236, 190));
                g.setColorAt(0.6, QColor(232, 150, 70));
                g.setColorAt(1, QColor(170, 60, 40));
                p.setBrush(g);
                p.setPen(QPen(QColor(250, 240, 220), 3));
                p.drawPolygon(star);
                const QPointF d = c + QPointF(step / 2, step / 2);
                QPolygonF diamond({d + QPointF(0, -step * 0.2), d + QPointF(step * 0.2, 0), d + QPointF(0, step * 0.2),
                                   d + QPointF(-step * 0.2, 0)});
                p.setBrush(QColor(90, 170, 160));
                p.drawPolygon(diamond);
                p.setBrush(QColor(250, 240, 220));
                p.setPen(Qt::NoPen);
                p.drawEllipse(c, step * 0.07, step * 0.07);
            }
        }
    });
    grain(image, 4, seed);
    return image;
}

QImage hearts(const QSize &s, quint32 seed)
{
    QImage image = render(s, [seed](QPainter &p, const QSize &s) {
        verticalGradient(p, QRectF(QPointF(0, 0), s), {{0, QColor(255, 236, 240)}, {1, QColor(250, 196, 214)}});
        QRandomGenerator random(seed);
        for (int i = 0; i < 34; ++i) {
            const QPointF at(random.bounded(double(s.width())), random.bounded(double(s.height())));
            const qreal r = s.width() * (0.03 + random.bounded(0.07));
            p.save();
            p.translate(at);
            p.rotate(random.bounded(60.0) - 30);
            QPainterPath heart;
            heart.moveTo(0, r * 0.35);
            heart.cubicTo(-r * 1.2, -r * 0.5, -r * 0.45, -r * 1.25, 0, -r * 0.45);
            heart.cubicTo(r * 0.45, -r * 1.25, r * 1.2, -r * 0.5, 0, r * 0.35);
            heart.translate(0, r * 0.3);
            QRadialGradient g(QPointF(-r * 0.3, -r * 0.4), r * 1.3);
            const QColor c = QColor::fromHsvF(float(std::fmod(0.9 + random.bounded(0.13), 1.0)),
                                              float(0.45 + random.bounded(0.4)), float(0.85 + random.bounded(0.15)));
            g.setColorAt(0, mix(c, Qt::white, 0.6));
            g.setColorAt(1, c);
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            p.drawPath(heart);
            p.restore();
        }
    });
    grain(image, 4, seed);
    return image;
}

QImage meadow(const QSize &s, quint32 seed)
{
    QImage image = render(s, [seed](QPainter &p, const QSize &s) {
        const qreal w = s.width(), h = s.height();
        verticalGradient(p, QRectF(0, 0, w, h),
                         {{0, QColor(120, 180, 240)},
                          {0.35, QColor(200, 230, 250)},
                          {0.4, QColor(110, 170, 80)},
                          {1, QColor(40, 110, 40)}});
        QRandomGenerator random(seed);
        for (int i = 0; i < 6; ++i)
            glow(p, QPointF(random.bounded(w), h * (0.08 + random.bounded(0.2))), w * (0.06 + random.bounded(0.06)),
                 QColor(255, 255, 255, 190));
        // Tulips in rows that shrink into the distance.
        for (int row = 0; row < 14; ++row) {
            const qreal t = row / 13.0;
            const qreal y = h * (0.42 + t * t * 0.6);
            const qreal size = w * (0.01 + t * t * 0.05);
            const QColor rowColours[] = {QColor(220, 30, 50),  QColor(250, 200, 30), QColor(240, 120, 170),
                                         QColor(150, 60, 170), QColor(250, 130, 30), QColor(250, 245, 235)};
            const QColor c = rowColours[row % 6];
            for (qreal x = -size + random.bounded(size); x < w + size; x += size * 2.2) {
                p.setPen(QPen(QColor(40, 120, 40), qMax(1.0, size * 0.15)));
                p.drawLine(QPointF(x, y), QPointF(x, y + size * 1.5));
                p.setPen(Qt::NoPen);
                QLinearGradient g(x, y - size, x, y + size * 0.2);
                g.setColorAt(0, mix(c, Qt::white, 0.3));
                g.setColorAt(1, mix(c, Qt::black, 0.2));
                p.setBrush(g);
                QPainterPath cup;
                cup.moveTo(x - size * 0.5, y - size * 0.9);
                cup.lineTo(x - size * 0.25, y - size * 0.55);
                cup.lineTo(x, y - size * 0.95);
                cup.lineTo(x + size * 0.25, y - size * 0.55);
                cup.lineTo(x + size * 0.5, y - size * 0.9);
                cup.cubicTo(x + size * 0.55, y - size * 0.1, x + size * 0.3, y, x, y);
                cup.cubicTo(x - size * 0.3, y, x - size * 0.55, y - size * 0.1, x - size * 0.5, y - size * 0.9);
                p.drawPath(cup);
            }
        }
    });
    grain(image, 5, seed);
    return image;
}

QImage waves(const QSize &s, quint32 seed)
{
    QImage image(s, QImage::Format_RGB32);
    const qreal w = s.width(), h = s.height();
    for (int y = 0; y < s.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < s.width(); ++x) {
            const qreal u = x / w, v = y / h;
            const qreal band = qSin((v * 9 + 0.35 * qSin(u * 2 * M_PI * 2 + v * 5)) * M_PI);
            const qreal fine = qSin((u * 3 + v * 14 + 0.2 * qSin(u * 30)) * M_PI);
            const qreal t = 0.5 + 0.35 * band + 0.1 * fine;
            const QColor deep(10, 50, 110), light(90, 200, 220), foam(235, 250, 250);
            QColor c = mix(deep, light, qBound(0.0, t, 1.0));
            if (band > 0.93)
                c = mix(c, foam, (band - 0.93) / 0.07);
            line[x] = c.rgb();
        }
    }
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRandomGenerator random(seed);
    for (int i = 0; i < 60; ++i) {
        const QPointF at(random.bounded(w), random.bounded(h));
        const qreal r = 3 + random.bounded(9.0);
        p.setPen(QPen(QColor(255, 255, 255, 150), 1.5));
        p.setBrush(QColor(255, 255, 255, 40));
        p.drawEllipse(at, r, r);
    }
    p.end();
    grain(image, 4, seed);
    return image;
}

QImage autumn(const QSize &s, quint32 seed)
{
    QImage image = render(s, [seed](QPainter &p, const QSize &s) {
        verticalGradient(p, QRectF(QPointF(0, 0), s), {{0, QColor(250, 232, 196)}, {1, QColor(226, 190, 140)}});
        QRandomGenerator random(seed);
        for (int i = 0; i < 70; ++i) {
            const QColor c = QColor::fromHsvF(float(0.02 + random.bounded(0.12)), float(0.7 + random.bounded(0.3)),
                                              float(0.65 + random.bounded(0.35)));
            const QPointF at(random.bounded(double(s.width())), random.bounded(double(s.height())));
            const qreal len = s.width() * (0.07 + random.bounded(0.09));
            const qreal a = random.bounded(360.0);
            // A maple-like leaf: five lobes round one stem.
            for (int k = -2; k <= 2; ++k)
                leaf(p, at, len * (1 - qAbs(k) * 0.18), a + k * 38, c);
            p.setPen(QPen(mix(c, Qt::black, 0.4), 2));
            p.drawLine(at, at - QPointF(qCos(qDegreesToRadians(a)), qSin(qDegreesToRadians(a))) * len * 0.35);
        }
    });
    grain(image, 5, seed);
    return image;
}

// ------------------------------------------------------ small map pictures

QImage smallPicture(const QSize &s, int kind)
{
    QImage image = render(s, [kind](QPainter &p, const QSize &s) {
        const qreal w = s.width(), h = s.height();
        const QRectF all(0, 0, w, h);
        switch (kind) {
        case 1: { // meadow with a flower
            verticalGradient(p, all, {{0, QColor(130, 200, 90)}, {1, QColor(70, 150, 60)}});
            QRandomGenerator random(5);
            p.setPen(QPen(QColor(50, 120, 40), 1.2));
            for (int i = 0; i < 90; ++i) {
                const qreal x = random.bounded(w), y = random.bounded(h);
                p.drawLine(QPointF(x, y), QPointF(x + random.bounded(4.0) - 2, y - 4 - random.bounded(5.0)));
            }
            flower(p, QPointF(w * 0.5, h * 0.5), w * 0.22, 6, QColor(255, 255, 250), QColor(250, 220, 230),
                   QColor(250, 200, 40), 15);
            break;
        }
        case 2: { // water
            verticalGradient(p, all, {{0, QColor(70, 150, 220)}, {1, QColor(20, 80, 160)}});
            p.setPen(QPen(QColor(210, 240, 255, 180), 2.2));
            p.setBrush(Qt::NoBrush);
            for (int row = 0; row < 6; ++row) {
                QPainterPath wave;
                const qreal y = h * (row + 0.5) / 6;
                wave.moveTo(0, y);
                for (int x = 0; x <= int(w); x += 2)
                    wave.lineTo(x, y + 3 * qSin((x / w * 4 + row * 0.5) * M_PI));
                p.drawPath(wave);
            }
            break;
        }
        case 3: { // a cottage
            verticalGradient(p, all,
                             {{0, QColor(150, 200, 250)}, {0.75, QColor(230, 240, 250)}, {0.76, QColor(110, 170, 80)}});
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(240, 220, 180));
            p.drawRect(QRectF(w * 0.25, h * 0.45, w * 0.5, h * 0.4));
            p.setBrush(QColor(190, 60, 50));
            p.drawPolygon(
                QPolygonF({QPointF(w * 0.18, h * 0.47), QPointF(w * 0.5, h * 0.15), QPointF(w * 0.82, h * 0.47)}));
            p.setBrush(QColor(110, 70, 40));
            p.drawRect(QRectF(w * 0.45, h * 0.6, w * 0.1, h * 0.25));
            p.setBrush(QColor(120, 190, 240));
            p.drawRect(QRectF(w * 0.3, h * 0.55, w * 0.1, h * 0.1));
            p.drawRect(QRectF(w * 0.6, h * 0.55, w * 0.1, h * 0.1));
            break;
        }
        case 4: { // a tower
            verticalGradient(p, all, {{0, QColor(120, 170, 240)}, {1, QColor(220, 235, 250)}});
            p.setPen(Qt::NoPen);
            QLinearGradient stone(w * 0.25, 0, w * 0.75, 0);
            stone.setColorAt(0, QColor(200, 190, 170));
            stone.setColorAt(1, QColor(140, 130, 115));
            p.setBrush(stone);
            p.drawRect(QRectF(w * 0.25, h * 0.3, w * 0.5, h * 0.7));
            for (int i = 0; i < 3; ++i)
                p.drawRect(QRectF(w * (0.25 + i * 0.19), h * 0.24, w * 0.12, h * 0.07));
            p.setBrush(QColor(60, 50, 60));
            p.drawRoundedRect(QRectF(w * 0.43, h * 0.42, w * 0.14, h * 0.12), 4, 4);
            p.drawRoundedRect(QRectF(w * 0.4, h * 0.82, w * 0.2, h * 0.18), 6, 6);
            p.setBrush(QColor(200, 40, 50));
            p.drawPolygon(
                QPolygonF({QPointF(w * 0.5, h * 0.04), QPointF(w * 0.5, h * 0.16), QPointF(w * 0.7, h * 0.1)}));
            p.setPen(QPen(QColor(80, 60, 40), 2));
            p.drawLine(QPointF(w * 0.5, h * 0.03), QPointF(w * 0.5, h * 0.24));
            break;
        }
        case 5: { // a round tree
            verticalGradient(p, all,
                             {{0, QColor(200, 230, 250)}, {0.8, QColor(240, 245, 230)}, {0.81, QColor(120, 180, 80)}});
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(110, 70, 40));
            p.drawRect(QRectF(w * 0.45, h * 0.5, w * 0.1, h * 0.35));
            QRandomGenerator random(9);
            for (int i = 0; i < 14; ++i) {
                const QPointF c(w * (0.3 + random.bounded(0.4)), h * (0.2 + random.bounded(0.3)));
                QRadialGradient g(c - QPointF(5, 5), w * 0.2);
                g.setColorAt(0, QColor(130, 200, 90));
                g.setColorAt(1, QColor(40, 120, 50));
                p.setBrush(g);
                p.drawEllipse(c, w * 0.17, w * 0.15);
            }
            p.setBrush(QColor(220, 50, 50));
            for (int i = 0; i < 7; ++i)
                p.drawEllipse(QPointF(w * (0.3 + random.bounded(0.4)), h * (0.2 + random.bounded(0.3))), 3.5, 3.5);
            break;
        }
        case 6: { // a flower bed
            verticalGradient(p, all, {{0, QColor(120, 80, 50)}, {1, QColor(80, 50, 30)}});
            QRandomGenerator random(6);
            for (int i = 0; i < 16; ++i) {
                const QColor c = QColor::fromHsvF(float(random.bounded(1.0)), 0.6f, 1.0f);
                flower(p, QPointF(random.bounded(w), random.bounded(h)), 10 + random.bounded(8.0), 5,
                       mix(c, Qt::white, 0.6), c, QColor(250, 210, 60), random.bounded(90.0));
            }
            break;
        }
        case 7: { // a boat on a lake
            verticalGradient(p, all,
                             {{0, QColor(250, 200, 150)},
                              {0.6, QColor(250, 230, 200)},
                              {0.61, QColor(60, 130, 190)},
                              {1, QColor(30, 80, 150)}});
            p.setPen(Qt::NoPen);
            glow(p, QPointF(w * 0.78, h * 0.3), h * 0.3, QColor(255, 240, 200, 220));
            p.setBrush(QColor(140, 80, 40));
            QPainterPath hull;
            hull.moveTo(w * 0.2, h * 0.62);
            hull.lineTo(w * 0.75, h * 0.62);
            hull.lineTo(w * 0.65, h * 0.75);
            hull.lineTo(w * 0.28, h * 0.75);
            hull.closeSubpath();
            p.drawPath(hull);
            p.setBrush(QColor(250, 250, 240));
            p.drawPolygon(
                QPolygonF({QPointF(w * 0.47, h * 0.12), QPointF(w * 0.47, h * 0.58), QPointF(w * 0.7, h * 0.58)}));
            p.setBrush(QColor(230, 90, 70));
            p.drawPolygon(
                QPolygonF({QPointF(w * 0.45, h * 0.2), QPointF(w * 0.45, h * 0.58), QPointF(w * 0.3, h * 0.58)}));
            p.setPen(QPen(QColor(220, 240, 255, 160), 1.5));
            for (int i = 0; i < 5; ++i)
                p.drawLine(QPointF(w * (0.1 + i * 0.17), h * (0.82 + (i % 2) * 0.08)),
                           QPointF(w * (0.18 + i * 0.17), h * (0.82 + (i % 2) * 0.08)));
            break;
        }
        case 8: { // a castle
            verticalGradient(p, all,
                             {{0, QColor(100, 150, 230)}, {0.82, QColor(210, 230, 250)}, {0.83, QColor(100, 160, 70)}});
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(190, 180, 160));
            p.drawRect(QRectF(w * 0.2, h * 0.45, w * 0.6, h * 0.4));
            for (const qreal x : {0.12, 0.72}) {
                p.drawRect(QRectF(w * x, h * 0.3, w * 0.16, h * 0.55));
                p.setBrush(QColor(60, 80, 160));
                p.drawPolygon(QPolygonF({QPointF(w * (x - 0.02), h * 0.3), QPointF(w * (x + 0.08), h * 0.1),
                                         QPointF(w * (x + 0.18), h * 0.3)}));
                p.setBrush(QColor(190, 180, 160));
            }
            for (int i = 0; i < 6; ++i)
                p.drawRect(QRectF(w * (0.29 + i * 0.075), h * 0.4, w * 0.045, h * 0.06));
            p.setBrush(QColor(90, 60, 40));
            QPainterPath gate;
            gate.addRoundedRect(QRectF(w * 0.44, h * 0.62, w * 0.12, h * 0.23), 10, 10);
            p.drawPath(gate);
            break;
        }
        case 9: { // stones
            verticalGradient(p, all, {{0, QColor(170, 200, 120)}, {1, QColor(120, 160, 80)}});
            QRandomGenerator random(3);
            for (int i = 0; i < 4; ++i) {
                const QPointF c(w * (0.25 + random.bounded(0.5)), h * (0.3 + random.bounded(0.45)));
                QRadialGradient g(c - QPointF(6, 6), w * 0.3);
                g.setColorAt(0, QColor(215, 210, 200));
                g.setColorAt(1, QColor(110, 105, 100));
                p.setPen(Qt::NoPen);
                p.setBrush(g);
                p.drawEllipse(c, w * (0.14 + random.bounded(0.1)), h * (0.1 + random.bounded(0.08)));
            }
            break;
        }
        case 10: { // a tall pine
            verticalGradient(
                p, all, {{0, QColor(180, 220, 250)}, {0.88, QColor(235, 245, 250)}, {0.89, QColor(240, 250, 255)}});
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(100, 60, 30));
            p.drawRect(QRectF(w * 0.45, h * 0.78, w * 0.1, h * 0.15));
            for (int i = 0; i < 4; ++i) {
                const qreal top = h * (0.06 + i * 0.17), bottom = h * (0.36 + i * 0.15), half = w * (0.18 + i * 0.08);
                QLinearGradient g(w * 0.5 - half, 0, w * 0.5 + half, 0);
                g.setColorAt(0, QColor(40, 120, 60));
                g.setColorAt(1, QColor(20, 70, 40));
                p.setBrush(g);
                p.drawPolygon(QPolygonF(
                    {QPointF(w * 0.5, top), QPointF(w * 0.5 - half, bottom), QPointF(w * 0.5 + half, bottom)}));
            }
            p.setBrush(QColor(255, 255, 255, 210));
            for (int i = 0; i < 4; ++i)
                p.drawEllipse(QPointF(w * 0.5, h * (0.08 + i * 0.17)), 3, 2);
            break;
        }
        default:
            break;
        }
    });
    grain(image, 3, quint32(kind));
    return image;
}

// Drawn on a 32 x 32 grid and scaled, so every size shows the same picture.
QImage icon(int side)
{
    return render(QSize(side, side), [side](QPainter &p, const QSize &) {
        p.scale(side / 32.0, side / 32.0);
        const QColor colours[] = {QColor(215, 21, 123), QColor(250, 190, 60), QColor(60, 150, 200),
                                  QColor(110, 180, 80)};
        for (int i = 0; i < 4; ++i) {
            const QRectF r((i % 2) * 16 + 1, (i / 2) * 16 + 1, 14, 14);
            QLinearGradient g(r.topLeft(), r.bottomRight());
            g.setColorAt(0, mix(colours[i], Qt::white, 0.35));
            g.setColorAt(1, colours[i]);
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            p.drawRoundedRect(r, 3, 3);
        }
        flower(p, QPointF(16, 16), 9, 5, QColor(255, 255, 255), QColor(255, 230, 240), QColor(240, 170, 30));
    });
}

// ------------------------------------------------------------------ files

bool saveJpeg(const QString &path, const QImage &image, int minBytes, int maxBytes)
{
    // The highest quality whose file stays within maxBytes.
    QByteArray best;
    for (int quality = 97; quality >= 40; quality -= 3) {
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(quality);
        if (!writer.write(image))
            return false;
        best = data;
        if (data.size() <= maxBytes)
            break;
    }
    if (best.size() < minBytes)
        std::fprintf(stderr, "note: %s is only %lld bytes\n", qPrintable(path), qlonglong(best.size()));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(best) == best.size();
}

bool savePng(const QString &path, const QImage &image)
{
    return image.save(path, "PNG");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: makepictures <resources folder>\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (const char *sub : {"pictures/samples", "pictures/map", "pictures/freelayout"})
        root.mkpath(QString::fromLatin1(sub));
    auto at = [&root](const char *name) { return root.filePath(QString::fromLatin1(name)); };
    bool ok = true;
    auto check = [&ok](bool written, const QString &path) {
        if (!written) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ok = false;
        }
    };

    check(ptt::saveBmp24File(at("pictures/pattern.bmp"), pattern()), at("pictures/pattern.bmp"));

    const QSize small(685, 685), large(857, 857);
    struct Sample {
        const char *file;
        std::function<QImage()> make;
    };
    const Sample samples[] = {
        {"pictures/samples/sample01.jpg", [&] { return bouquet(small, 101); }},
        {"pictures/samples/sample02.jpg", [&] { return mosaic(small, 102, false); }},
        {"pictures/samples/sample03.jpg", [&] { return rosette(small, 103); }},
        {"pictures/samples/sample04.jpg", [&] { return landscape(small, 104, false); }},
        {"pictures/samples/sample05.jpg", [&] { return bokeh(small, 105); }},
        {"pictures/samples/sample06.jpg", [&] { return stars(small, 106); }},
        {"pictures/samples/sample07.jpg", [&] { return landscape(large, 107, true); }},
        {"pictures/samples/sample08.jpg", [&] { return hearts(small, 108); }},
        {"pictures/samples/sample09.bmp", [&] { return meadow(large, 109); }},
        {"pictures/samples/sample10.jpg", [&] { return mosaic(large, 110, true); }},
        {"pictures/samples/sample11.bmp", [&] { return waves(large, 111); }},
        {"pictures/samples/sample12.jpg", [&] { return autumn(large, 112); }},
    };
    for (const Sample &s : samples) {
        const QString path = at(s.file);
        const QImage image = s.make();
        if (path.endsWith(QLatin1String(".bmp")))
            check(ptt::saveBmp24File(path, image), path);
        else
            check(saveJpeg(path, image, 90 * 1000, 245 * 1000), path);
        std::printf("%s\n", qPrintable(path));
    }

    const QSize mapSizes[] = {{105, 105}, {106, 106}, {125, 96},  {95, 145}, {141, 151},
                              {132, 109}, {191, 119}, {226, 164}, {91, 87},  {125, 159}};
    for (int k = 1; k <= 10; ++k) {
        const QImage image = smallPicture(mapSizes[k - 1], k);
        const QString path = root.filePath(QStringLiteral("pictures/map/small%1.%2")
                                               .arg(k, 2, 10, QLatin1Char('0'))
                                               .arg(k == 4 ? QStringLiteral("bmp") : QStringLiteral("jpg")));
        check(k == 4 ? ptt::saveBmp24File(path, image) : saveJpeg(path, image, 0, 60 * 1000), path);
    }

    // The free layout window's three pictures: flowers, hills at sunset, a pine.
    const QImage freeLayout[] = {
        bouquet(QSize(125, 96), 201),
        landscape(QSize(125, 159), 202, false),
        smallPicture(QSize(95, 145), 10),
    };
    for (int k = 1; k <= 3; ++k) {
        const QString path =
            root.filePath(QStringLiteral("pictures/freelayout/small%1.jpg").arg(k, 2, 10, QLatin1Char('0')));
        check(saveJpeg(path, freeLayout[k - 1], 0, 60 * 1000), path);
    }

    check(savePng(at("pictures/icon.png"), icon(32)), at("pictures/icon.png"));
    // The desktop's icon in the sizes its themes look for.
    for (int side : {16, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("icons/hicolor/%1x%1/apps").arg(side);
        root.mkpath(dir);
        const QString path = root.filePath(dir + QStringLiteral("/pintietong.png"));
        check(savePng(path, icon(side)), path);
    }
    return ok ? 0 : 1;
}

#pragma once
// A page drawn a band of rows at a time, so a page larger than memory can still be written: the
// writer asks for each band in turn and keeps only one band in memory.
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

namespace ptt {

// Told now and then how much of a long job is done (0 to 100); returning false stops the job.
using Progress = std::function<bool(int percent)>;

class BandSource {
public:
    virtual ~BandSource() = default;
    // The whole page, in pixels.
    virtual QSize pageSize() const = 0;
    // Draws page rows [top, top + band.height()) into band, which is pageSize().width() wide and
    // QImage::Format_RGB32, its contents undefined on entry. Returns false and sets error() when the
    // band cannot be drawn.
    virtual bool drawBand(QImage &band, int top) = 0;
    virtual QString error() const { return {}; }
    // Above 0 when the page's rows repeat: row y is drawn as row y % rowPeriod() is. A writer may
    // then draw and pack each distinct row once.
    virtual int rowPeriod() const { return 0; }
    // Above 0 when every row repeats across the page: pixel x is drawn as pixel x % columnPeriod() is.
    virtual int columnPeriod() const { return 0; }
};

} // namespace ptt

#include "boardband.h"

#include "boardmodel.h"

#include "platform/colours.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>

namespace ptt {

namespace {

// Opens one position file through the board model, as 载入位置档案 does: the
// chooser answers with the file, and what the window would show in a message
// becomes a warning.
class OpeningServices : public BoardServices {
public:
    OpeningServices(const QString &path, const std::function<void(const QString &)> &warn) : m_path(path), m_warn(warn)
    {
    }
    QString chooseFile(const QString &, bool save) override { return save ? QString() : m_path; }
    Answer message(const QString &text, const QString &, Buttons buttons) override
    {
        tell(text);
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
    PictureLoadResult loadPicture(const QString &path) override
    {
        PictureLoadResult loaded = ptt::loadPicture(path);
        if (!loaded.ok())
            tell(QStringLiteral("前景图“%1”无法载入，已略过：%2").arg(QDir::toNativeSeparators(path), loaded.error));
        return loaded;
    }

private:
    void tell(const QString &text)
    {
        if (m_warn)
            m_warn(text);
    }
    QString m_path;
    std::function<void(const QString &)> m_warn;
};

struct Foreground {
    QRect rect; // board pixels
    Picture picture;
};

class BoardBandSource : public BandSource {
public:
    BoardBandSource(Picture background, QList<Foreground> foregrounds)
        : m_background(std::move(background)), m_foregrounds(std::move(foregrounds))
    {
    }
    QSize pageSize() const override { return m_background.naturalSize; }
    QString error() const override { return m_error; }

    bool drawBand(QImage &band, int top) override
    {
        const QRect area(0, top, band.width(), band.height());
        if (band.format() != QImage::Format_RGB32 || band.width() != pageSize().width() || top < 0 ||
            area.bottom() >= pageSize().height()) {
            m_error = QStringLiteral("页面的第 %1 行起的 %2 行不在页面内。").arg(top).arg(band.height());
            return false;
        }
        // What the board's Canvas holds: its colour under the background.
        band.fill(kPageGreen);
        QPainter p(&band);
        p.translate(0, -top);
        p.drawImage(QRect(QPoint(0, 0), m_background.naturalSize), m_background.image);
        drawForegrounds(
            p, area, int(m_foregrounds.size()), [this](int i) { return m_foregrounds[i].rect; },
            [this](int i) { return &m_foregrounds[i].picture; });
        return true;
    }

private:
    Picture m_background;
    QList<Foreground> m_foregrounds;
    QString m_error;
};

} // namespace

std::unique_ptr<BandSource> makeBoardBandSource(const QString &positionsPath, const QString &backgroundPath,
                                                QString *error, const std::function<void(const QString &)> &warn)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return nullptr;
    };
    // A file the model could only partly read would give a page with
    // foregrounds missing: refuse it before any work.
    const PositionFile::ReadResult read = loadFrom<PositionFile::ReadResult>(positionsPath, [](QIODevice *device) {
        return PositionFile::Read(device, [](const PositionRecord &) { return true; });
    });
    if (!read.ok)
        return fail(QStringLiteral("无法读取位置档“%1”：%2").arg(QDir::toNativeSeparators(positionsPath), read.error));
    PictureLoadResult background = loadPicture(backgroundPath);
    if (!background.ok())
        return fail(
            QStringLiteral("无法载入背景图“%1”：%2").arg(QDir::toNativeSeparators(backgroundPath), background.error));

    OpeningServices services(QFileInfo(positionsPath).absoluteFilePath(), warn);
    BoardModel model(services);
    model.OpenDocument();
    QList<Foreground> foregrounds;
    foregrounds.reserve(model.ForegroundCount());
    for (int i = 0; i < model.ForegroundCount(); ++i) {
        const BoardSlot &slot = model.slot(i);
        if (!slot.picture.isNull())
            foregrounds.append({slotPixelRect(slot), slot.picture});
    }
    return std::make_unique<BoardBandSource>(std::move(background.picture), std::move(foregrounds));
}

} // namespace ptt

#include "form40.h"

#include "pageops/navigator.h"
#include "pageops/openpicture.h"
#include "platform/memorybudget.h"
#include "platform/notice.h"
#include "platform/units.h"
#include "platform/widgetstyle.h"

#include <QCloseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>

#include <cmath>

namespace ptt {

namespace {
const QColor kWindowBack(192, 255, 255);
constexpr double kButtonWidth = 1005;
constexpr double kButtonHeight = 285;
constexpr double kImageLeft = 30;
constexpr double kImageTop = 30;
} // namespace

ZoomImage::ZoomImage(QWidget *parent) : QWidget(parent)
{
}

bool ZoomImage::setPicture(const Picture &picture)
{
    // Drawing needs a premultiplied copy, made while the one it replaces is held.
    const qint64 copyBytes = picture.image.format() == QImage::Format_ARGB32_Premultiplied
                                 ? 0
                                 : qint64(picture.image.width()) * picture.image.height() * 4;
    if (copyBytes > 0 && !MemoryBudget::fits(m_premultiplied.sizeInBytes() + copyBytes))
        return false;
    m_picture = picture;
    m_premultiplied = picture.image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    update();
    return true;
}

void ZoomImage::setShownSize(double width, double height)
{
    m_shownWidth = width;
    m_shownHeight = height;
    update();
}

void ZoomImage::paintEvent(QPaintEvent *event)
{
    if (m_premultiplied.isNull())
        return;
    QPainter p(this);
    for (const QRect &area : event->region()) {
        QRect covered;
        const QImage part = renderStretched(m_premultiplied, m_shownWidth, m_shownHeight, area, &covered);
        if (!part.isNull())
            p.drawImage(covered.topLeft(), part);
    }
}

Form40::Form40(QWidget *parent) : QWidget(parent, Qt::Window), CommonDialog1(this)
{
    setObjectName(QStringLiteral("Form40"));
    setWindowTitle(QStringLiteral("澄岭图像缩放剪裁"));
    setBackground(this, kWindowBack);
    resize(twipsToPixels(14580.0), twipsToPixels(8475.0));

    m_image1 = new ZoomImage(this);
    m_image1->setObjectName(QStringLiteral("Image1"));

    struct ButtonDef {
        int number;
        const char *caption;
    };
    // Created in their left-to-right order so Tab follows it; in front of Image1.
    const ButtonDef defs[] = {{4, "取图"}, {1, "放大"}, {2, "缩小"}, {3, "剪裁保存"}};
    for (const ButtonDef &d : defs) {
        auto *b = new QPushButton(QString::fromUtf8(d.caption), this);
        b->setObjectName(QStringLiteral("Command%1").arg(d.number));
        styleButton(b, kButtonColour);
        b->resize(twipsToPixels(kButtonWidth), twipsToPixels(kButtonHeight));
        m_command[d.number] = b;
    }
    connect(m_command[4], &QPushButton::clicked, this, &Form40::TakePicture);
    connect(m_command[1], &QPushButton::clicked, this, &Form40::Enlarge);
    connect(m_command[2], &QPushButton::clicked, this, &Form40::Reduce);
    connect(m_command[3], &QPushButton::clicked, this, &Form40::CropSave);

    applySize();
    placeButtons();
    setWindowState(Qt::WindowMaximized);
}

void Form40::setImageSizeTwips(float width, float height)
{
    m_size.set(width, height);
    applySize();
}

void Form40::applySize()
{
    const double w = m_size.pixelWidth();
    const double h = m_size.pixelHeight();
    m_image1->setShownSize(w, h);
    // Only the part inside the window is a widget; the rest is never drawn.
    const QPoint at = twipsToPixels(QPointF(kImageLeft, kImageTop));
    const int visibleW = int(std::min(w, double(qMax(0, width() - at.x()))));
    const int visibleH = int(std::min(h, double(qMax(0, height() - at.y()))));
    m_image1->setGeometry(at.x(), at.y(), visibleW, visibleH);
    m_image1->update();
}

void Form40::placeButtons()
{
    const double outer = pixelsToTwips(frameGeometry().width());
    const double bw = kButtonWidth;
    const std::array<double, 4> lefts = zoomButtonLefts(outer, bw, bw, bw, bw);
    const int order[4] = {4, 1, 2, 3};
    for (int i = 0; i < 4; ++i)
        placeTwips(m_command[order[i]], lefts[size_t(i)], 0, kButtonWidth, kButtonHeight);
}

void Form40::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeButtons();
    applySize();
}

void Form40::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    // The frame becomes known only once the window manager has placed the window.
    placeButtons();
}

void Form40::TakePicture()
{
    const std::optional<Picture> picture = ChoosePicture(CommonDialog1);
    // A picture too large to be drawn ends the operation like an unreadable one.
    if (!picture || !m_image1->setPicture(*picture))
        return;
    m_size.setNatural(picture->naturalSize);
    applySize();
}

void Form40::Enlarge()
{
    m_size.enlarge();
    applySize();
}

void Form40::Reduce()
{
    const bool tooSmall = m_size.reduce();
    applySize();
    if (tooSmall)
        showNotice(this, QStringLiteral("不能再缩小了"), MsgIcon::None);
}

void Form40::CropSave()
{
    Navigator::instance().showCropCapture(nullptr);
}

void Form40::closeEvent(QCloseEvent *event)
{
    Navigator::instance().showMainWindow();
    event->accept();
}

} // namespace ptt

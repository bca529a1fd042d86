#include "form31.h"

#include "pageops/navigator.h"
#include "pageops/openpicture.h"
#include "pageops/samples.h"
#include "pageops/tilepage.h"
#include "platform/busycursor.h"
#include "platform/canvas.h"
#include "platform/canvasdrag.h"
#include "platform/notice.h"
#include "platform/picturebox.h"
#include "platform/sizingframe.h"
#include "platform/units.h"
#include "platform/widgetstyle.h"
#include "text/textstamp.h"
#include "text/texttool.h"

#include <QMenuBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>

namespace ptt {

namespace {

struct RegionPlace {
    const char *region;
    const char *small;
    double left, top, width, height; // twips inside the page
    double smallTop;                 // twips inside the region
    const char16_t *tip;
};

const QColor kPageText(173, 22, 86);

const RegionPlace kRegions[3] = {
    {"Picture21", "Picture22", 30, 30, 9525, 4485, -60, u"点击调入图1"},
    {"Picture23", "Picture24", 30, 4620, 9525, 2475, -30, u"点击调入图2"},
    {"Picture25", "Picture26", 30, 7200, 9525, 4395, 0, u"点击调入图3"},
};

const QString kPageTooLarge = QStringLiteral("页面太大，内存放不下。");

} // namespace

// Gives a control a sizing border: its outer edge becomes a grip the user
// drags to resize it, leaving the inner area as it was. A size whose image
// the memory cannot hold is refused, and the user told when the drag ends.
void Form31::SetSizableBorder(Canvas *control)
{
    SizingFrame *frame = SizingFrame::attach(control);
    connect(frame, &SizingFrame::refused, this, [this] { showNotice(this, kPageTooLarge, MsgIcon::Warning); });
}

Form31::Form31(QWidget *parent) : QMainWindow(parent), m_cdlg(this)
{
    setObjectName(QStringLiteral("Form31"));
    setWindowTitle(QStringLiteral("澄岭自定义图像排版器"));
    m_client = new QWidget(this);
    setBackground(m_client, kWindowGreen);
    setCentralWidget(m_client);
    resize(twipsToPixels(12915.0), twipsToPixels(12690.0));

    QMenu *file = menuBar()->addMenu(QStringLiteral("文件"));
    file->setObjectName(QStringLiteral("文件"));
    auto add = [file](const QString &name) {
        QAction *a = file->addAction(name);
        a->setObjectName(name);
        return a;
    };
    connect(add(QStringLiteral("新建")), &QAction::triggered, this, &Form31::NewPage);
    connect(add(QStringLiteral("打开")), &QAction::triggered, this, [this] { LoadRegionPicture(1); });
    connect(add(QStringLiteral("保存")), &QAction::triggered, this, &Form31::SaveBesidePage);
    connect(add(QStringLiteral("退出")), &QAction::triggered, this, &QWidget::hide);

    // The page, a Canvas in twips, and its three regions.
    m_page = new Canvas(m_client);
    m_page->setObjectName(QStringLiteral("Picture20"));
    m_page->setScaleMode(Canvas::ScaleMode::Twips);
    m_page->setBorderWidth(2);
    m_page->setBackColor(kPageGreen);
    m_page->setForeColor(kPageText);
    const FontDesc font = FontDesc::boldChinese(QStringLiteral("黑体"), 10.5);
    m_page->setCanvasFont(font);
    placeTwips(m_page, 0, 330, 11175, 15525);
    CanvasDrag::attach(m_page);

    for (int k = 0; k < 3; ++k) {
        const RegionPlace &r = kRegions[k];
        auto *region = new Canvas(m_page);
        region->setObjectName(QLatin1String(r.region));
        region->setScaleMode(Canvas::ScaleMode::Twips);
        region->setBorderWidth(2);
        region->setBackColor(kPink);
        // Inside the page: offset by the page's border like any child.
        const QRect place = twipsToPixels(r.left, r.top, r.width, r.height);
        region->setGeometry(place.translated(m_page->borderWidth(), m_page->borderWidth()));
        m_regions[k] = region;

        auto *small = new PictureBox(region);
        small->setObjectName(QLatin1String(r.small));
        small->setAutoSize(true);
        small->setToolTip(QString::fromUtf16(r.tip));
        small->setPicture(
            storedPicture(QStringLiteral(":/pictures/freelayout/small%1.jpg").arg(k + 1, 2, 10, QLatin1Char('0'))));
        connect(small, &PictureBox::clicked, this, [this, k] { LoadRegionPicture(k + 1); });
        m_small[k] = small;
    }

    // Load: sizing borders on the page, then on the three regions.
    SetSizableBorder(m_page);
    for (int k = 0; k < 3; ++k) {
        SetSizableBorder(m_regions[k]);
        // The small picture stands at the region's left edge, in front of the
        // tiles; its top is measured from the region's inner area.
        const int inset = m_regions[k]->borderWidth();
        m_small[k]->move(inset, inset + twipsToPixels(kRegions[k].smallTop));
    }

    m_strip = makeStrip(m_client, "Picture3");
    placeTwips(m_strip, 0, 0, 12915, 315);

    auto *command21 = makeStripButton(m_strip, "Command21", QStringLiteral("A4"), 2400, 615);
    auto *command26 = makeStripButton(m_strip, "Command26", QStringLiteral("A5"), 3000, 615);
    auto *command27 = makeStripButton(m_strip, "Command27", QStringLiteral("A6"), 3600, 615);
    auto *command28 = makeStripButton(m_strip, "Command28", QStringLiteral("背景色"), 4800, 795);
    // The text tool, with no angle bar: every stamp is horizontal.
    TextToolLayout text;
    text.text = QRectF(5580, 0, 3675, 300);
    text.fontButtonName = "Command29";
    text.colorButtonName = "Command30";
    text.fontButtonLeft = 9240;
    text.colorButtonLeft = 10080;
    text.buttonWidth = 855;
    const TextToolControls textTool = buildTextTool(m_strip, text);
    showStampPrompt(textTool.text);
    // Buttons on the window itself stand in front of the strip, in its gaps.
    auto *command23 = makeStripButton(m_client, "Command23", QStringLiteral("图1排版"), 0, 855);
    auto *command24 = makeStripButton(m_client, "Command24", QStringLiteral("图2排版"), 840, 795);
    auto *command25 = makeStripButton(m_client, "Command25", QStringLiteral("图3排版"), 1620, 795);
    auto *command22 = makeStripButton(m_client, "Command22", QStringLiteral("保存"), 4170, 645);
    new TextStamp(m_page, textTool, m_cdlg);

    connect(command21, &QPushButton::clicked, this, [this] { SetPageSize(16105, 10545); });
    connect(command26, &QPushButton::clicked, this, [this] { SetPageSize(13000, 8000); });
    connect(command27, &QPushButton::clicked, this, [this] { SetPageSize(9200, 5800); });
    connect(command28, &QPushButton::clicked, this, &Form31::ChooseBackColour);
    connect(command23, &QPushButton::clicked, this, [this] { TileRegion(1); });
    connect(command24, &QPushButton::clicked, this, [this] { TileRegion(2); });
    connect(command25, &QPushButton::clicked, this, [this] { TileRegion(3); });
    connect(command22, &QPushButton::clicked, this, [] { Navigator::instance().showCropCapture(nullptr); });

    setWindowState(Qt::WindowMaximized);
}

void Form31::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    m_strip->resize(width(), m_strip->height());
}

void Form31::SetPageSize(double heightTwips, double widthTwips)
{
    // Height and width in one step: a refused size leaves both as they were,
    // and the page is copied once, not twice.
    const QSize outer(twipsToPixels(widthTwips), twipsToPixels(heightTwips));
    BusyCursor busy(qint64(outer.width()) * outer.height());
    if (!m_page->setOuterSize(outer))
        showNotice(this, kPageTooLarge, MsgIcon::Warning);
}

void Form31::NewPage()
{
    SetPageSize(12105, 10545);
    TileRegion(1);
}

void Form31::TileRegion(int k)
{
    const Picture &picture = m_small[k - 1]->picture();
    if (picture.isNull() || picture.naturalSize.isEmpty())
        return; // a tile needs at least one pixel each way to advance
    Canvas *region = m_regions[k - 1];
    BusyCursor busy(qint64(region->innerSize().width()) * region->innerSize().height());
    TilePage(region->image(), picture.image, picture.naturalSize);
    region->update();
}

void Form31::LoadRegionPicture(int k)
{
    const std::optional<Picture> picture = ChoosePicture(m_cdlg);
    if (!picture)
        return;
    m_small[k - 1]->setPicture(*picture);
}

void Form31::ChooseBackColour()
{
    if (!m_cdlg.showColor())
        return;
    // Repaints the page's whole image: stamped text goes, the regions (controls
    // of their own) keep their tiles.
    BusyCursor busy(qint64(m_page->innerSize().width()) * m_page->innerSize().height());
    m_page->setBackColor(m_cdlg.color);
}

void Form31::SaveBesidePage()
{
    // The tool stands beside a page that lies at the window's left edge.
    const int screenLeft = screen() ? screen()->geometry().left() : 0;
    Navigator::instance().showCropCaptureAt(screenLeft + twipsToPixels(pixelsToTwips(m_page->width()) + 20));
}

} // namespace ptt

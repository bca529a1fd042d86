#include "form30.h"

#include "pageops/navigator.h"
#include "pageops/openpicture.h"
#include "pageops/printpicture.h"
#include "pageops/samples.h"
#include "pageops/saveasbitmap.h"
#include "pageops/tilepage.h"
#include "platform/canvasdrag.h"

#include "platform/browser.h"
#include "platform/busycursor.h"
#include "platform/canvas.h"
#include "platform/notice.h"
#include "platform/picturebox.h"
#include "platform/units.h"
#include "platform/widgetstyle.h"
#include "text/textstamp.h"
#include "text/texttool.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QUrl>

namespace ptt {

namespace {

// Twips of the page's design place and of "新建".
constexpr double kPageDesignTop = 330;
constexpr double kNewPageTop = 510;
constexpr double kNewPageWidth = 16000;
constexpr double kNewPageHeight = 11000;
const QColor kSizeFieldText(0, 0, 192);

const char16_t *const kComboItems[] = {
    u"1：可单排、混排、有规则排、无规则排", u"2：省时、省力、简单实用",     u"3：一看就会的排版利器",
    u"4：根据内存大小可排出很大图片",       u"5：可用于设计排版、娱乐排版", u"6：可用用于证卡设计排版、标签排版",
    u"7：排版速度强于任何排版软件",         u"8：可对任何图片排版",         u"9：排版功效很大",
    u"10：本排版器隐藏商用价值巨大",        u"11：文字设置方便灵活",        u"12：可任意剪裁缩放和重排",
};

QString helpPagePath()
{
    const QString exe = QCoreApplication::applicationDirPath();
    const QStringList candidates = {
        qEnvironmentVariable("PTT_HELP_DIR") + QStringLiteral("/index.html"),
        exe + QStringLiteral("/help/index.html"),
        exe + QStringLiteral("/../share/pintietong/help/index.html"),
    };
    for (const QString &c : candidates)
        if (QFileInfo::exists(c))
            return QDir::cleanPath(c);
    return QString();
}

} // namespace

Form30::Form30(QWidget *parent) : QMainWindow(parent), m_cdlg(this)
{
    setObjectName(QStringLiteral("Form30"));
    setWindowTitle(QStringLiteral("澄岭拼贴通4.6版"));
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("Form30Client"));
    setBackground(m_client, kWindowGreen);
    setCentralWidget(m_client);
    resize(twipsToPixels(21420.0), twipsToPixels(12690.0) + menuBar()->sizeHint().height());

    buildMenus();

    // The page: a Canvas in pixels with a fixed single border.
    m_page = new Canvas(m_client);
    m_page->setObjectName(QStringLiteral("Picture1"));
    m_page->setBorderWidth(2);
    m_page->setAutoSize(true);
    m_page->setScaleMode(Canvas::ScaleMode::Pixels);
    m_page->setBackColor(kWindowGreen);
    m_page->setForeColor(QColor(128, 255, 128));
    const FontDesc pageFont = FontDesc::boldChinese(QStringLiteral("宋体"), 14.25);
    m_page->setCanvasFont(pageFont);
    m_page->setCursor(Qt::SizeAllCursor);
    placeTwips(m_page, 0, kPageDesignTop, 16000, 12000);
    CanvasDrag::attach(m_page);

    // The pattern box and the sample boxes hold pictures and are never shown.
    m_pattern = new PictureBox(m_client);
    m_pattern->setObjectName(QStringLiteral("Picture2"));
    m_pattern->setAutoSize(true);
    m_pattern->move(0, twipsToPixels(390.0));
    m_pattern->setPicture(ptt::patternPicture());
    m_pattern->hide();
    for (int k = 1; k <= 12; ++k) {
        auto *box = new PictureBox(m_client);
        box->setObjectName(QStringLiteral("Picture%1").arg(k + 3));
        box->hide();
    }

    buildToolbar();

    // Load, in order: strip width, page height then width, tiling, text tool, text list.
    m_strip->resize(width(), m_strip->height());
    if (const auto h = readTwips(m_text1, QString()))
        setPageSizeTwips(m_pageWidthTwips, *h);
    if (const auto w = readTwips(m_text2, QString()))
        setPageSizeTwips(*w, m_pageHeightTwips);
    TileWith(m_pattern->picture());
    m_textStamp = new TextStamp(m_page, m_textTool, m_cdlg);
    for (const char16_t *item : kComboItems)
        m_textTool.text->addItem(QString::fromUtf16(item));
    showStampPrompt(m_textTool.text);

    setWindowState(Qt::WindowMaximized);
}

Form30::~Form30() = default;

const Picture &Form30::patternPicture() const
{
    return m_pattern->picture();
}

void Form30::buildToolbar()
{
    m_strip = makeStrip(m_client, "Picture3");
    placeTwips(m_strip, 0, 0, 16575, 315);

    auto *command3 =
        makeStripButton(m_strip, "Command3", QStringLiteral("新建"), 0, 525, QStringLiteral("新建页面并重新排版"));
    auto *command4 =
        makeStripButton(m_strip, "Command4", QStringLiteral("打开"), 510, 495, QStringLiteral("打开图片作为排版图案"));
    auto *command5 = makeStripButton(m_strip, "Command5", QStringLiteral("保存"), 990, 495,
                                     QStringLiteral("把整个页面保存为位图文件"));
    auto *command6 =
        makeStripButton(m_strip, "Command6", QStringLiteral("打印"), 1470, 495, QStringLiteral("打印打开的图片"));
    auto *command7 =
        makeStripButton(m_strip, "Command7", QStringLiteral("缩放"), 1950, 495, QStringLiteral("图像缩放剪裁"));
    auto *command8 =
        makeStripButton(m_strip, "Command8", QStringLiteral("剪裁"), 2430, 495, QStringLiteral("剪裁抓图"));

    m_text1 = new QLineEdit(QStringLiteral("33000"), m_strip);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setToolTip(QStringLiteral("页面高度（缇，1440 缇 = 1 英寸）"));
    styleTextField(m_text1, kFieldColour, kSizeFieldText);
    placeTwips(m_text1, 2910, 0, 1125, 315);
    auto *command1 = makeStripButton(m_strip, "Command1", QStringLiteral("高度"), 4020, 495,
                                     QStringLiteral("按左边的数字设置页面高度"));

    m_text2 = new QLineEdit(QStringLiteral("43000"), m_strip);
    m_text2->setObjectName(QStringLiteral("Text2"));
    m_text2->setToolTip(QStringLiteral("页面宽度（缇，1440 缇 = 1 英寸）"));
    styleTextField(m_text2, kFieldColour, kSizeFieldText);
    placeTwips(m_text2, 4500, 0, 1125, 315);
    auto *command2 = makeStripButton(m_strip, "Command2", QStringLiteral("宽度"), 5610, 495,
                                     QStringLiteral("按左边的数字设置页面宽度"));

    auto *command9 = makeStripButton(m_strip, "Command9", QStringLiteral("自定义排版"), 6090, 1155,
                                     QStringLiteral("打开自定义图像排版器"));
    auto *command10 = makeStripButton(m_strip, "Command10", QStringLiteral("地图式排版"), 7230, 1155,
                                      QStringLiteral("打开地图式图片排版器"));
    auto *command11 = makeStripButton(m_strip, "Command11", QStringLiteral("棋盘式排版"), 8370, 1155,
                                      QStringLiteral("打开棋盘式图片排版器"));

    TextToolLayout text;
    text.text = QRectF(9510, 0, 1395, 300);
    text.angleBar = QRectF(10890, 0, 855, 315);
    text.angleLabel = QRectF(11730, 60, 1365, 255);
    text.angleLabelName = "Label2";
    text.fontButtonName = "Command12";
    text.colorButtonName = "Command13";
    text.fontButtonLeft = 13080;
    text.colorButtonLeft = 13950;
    text.buttonWidth = 885;
    m_textTool = buildTextTool(m_strip, text);
    m_textTool.text->setToolTip(QStringLiteral("要写到页面上的文字：在页面上双击即可"));
    m_textTool.angleBar->setToolTip(QStringLiteral("文字角度"));
    // Opaque here: it covers the bar's last column.
    setBackground(m_textTool.angleLabel, kStripColour);
    m_textTool.fontButton->setToolTip(QStringLiteral("选择文字的字体"));
    m_textTool.colorButton->setToolTip(QStringLiteral("选择文字的颜色"));

    connect(command3, &QPushButton::clicked, this, &Form30::NewPage);
    connect(command4, &QPushButton::clicked, this, &Form30::OpenPicture);
    connect(command5, &QPushButton::clicked, this, &Form30::SavePage);
    connect(command6, &QPushButton::clicked, this, &Form30::Print);
    connect(command7, &QPushButton::clicked, this, [this] { Navigator::instance().showZoomViewer(this); });
    connect(command8, &QPushButton::clicked, this, [this] { Navigator::instance().showCropCapture(this); });
    connect(command1, &QPushButton::clicked, this, &Form30::ApplyHeight);
    connect(command2, &QPushButton::clicked, this, &Form30::ApplyWidth);
    connect(command9, &QPushButton::clicked, this, [] { Navigator::instance().showFreeLayout(); });
    connect(command10, &QPushButton::clicked, this, [] { Navigator::instance().showMapWindow(); });
    connect(command11, &QPushButton::clicked, this, [] { Navigator::instance().showChessBoard(); });
}

void Form30::buildMenus()
{
    auto add = [](QMenu *menu, const QString &name, const QString &caption) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    QMenu *file = menuBar()->addMenu(QStringLiteral("文件"));
    file->setObjectName(QStringLiteral("文件"));
    connect(add(file, QStringLiteral("新建"), QStringLiteral("新建")), &QAction::triggered, this, &Form30::NewPage);
    connect(add(file, QStringLiteral("打开"), QStringLiteral("打开")), &QAction::triggered, this, &Form30::OpenPicture);
    connect(add(file, QStringLiteral("保存"), QStringLiteral("保存")), &QAction::triggered, this, &Form30::SavePage);
    connect(add(file, QStringLiteral("打印"), QStringLiteral("打印")), &QAction::triggered, this, &Form30::Print);
    connect(add(file, QStringLiteral("退出"), QStringLiteral("退出")), &QAction::triggered, this, &QWidget::close);

    QMenu *samples = menuBar()->addMenu(QStringLiteral("样图"));
    samples->setObjectName(QStringLiteral("样图"));
    for (int k = 1; k <= 12; ++k) {
        const QString name = QStringLiteral("样图%1").arg(k);
        connect(add(samples, name, name), &QAction::triggered, this, [this, k] { TileSample(k); });
    }

    QMenu *help = menuBar()->addMenu(QStringLiteral("帮助"));
    help->setObjectName(QStringLiteral("帮助"));
    add(help, QStringLiteral("操作指导"), QStringLiteral("本软件操作有工具提示,一看就会。"));
    connect(add(help, QStringLiteral("关于澄岭"), QStringLiteral("关于澄岭")), &QAction::triggered, this,
            &Form30::About);
}

void Form30::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (m_strip)
        m_strip->resize(width(), m_strip->height());
}

std::optional<double> Form30::readTwips(QLineEdit *field, const QString &what)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(field->text().trimmed(), &ok);
    // Single precision, as the page's size properties hold it.
    const float single = float(value);
    const std::optional<int> pixels = twipsToPixelsChecked(double(single));
    if (!ok || !std::isfinite(single) || single <= 0 || !pixels || *pixels < 1) {
        if (!what.isEmpty())
            showNotice(this,
                       QStringLiteral("%1必须是大于 0 的数字，单位是缇（1440 缇 = 1 英寸，15 缇 = 1 像素），例如 %2。")
                           .arg(what, field == m_text1 ? QStringLiteral("33000") : QStringLiteral("43000")),
                       MsgIcon::Information);
        return std::nullopt;
    }
    return double(single);
}

bool Form30::setPageSizeTwips(double widthTwips, double heightTwips)
{
    const QSize outer(twipsToPixels(widthTwips), twipsToPixels(heightTwips));
    BusyCursor busy(qint64(outer.width()) * outer.height());
    if (!m_page->setOuterSize(outer)) {
        showNotice(this,
                   QStringLiteral("页面太大（%1 × %2 像素），内存放不下。页面保持原来的大小。")
                       .arg(outer.width())
                       .arg(outer.height()),
                   MsgIcon::Warning);
        return false;
    }
    m_pageWidthTwips = widthTwips;
    m_pageHeightTwips = heightTwips;
    return true;
}

void Form30::TileWith(const Picture &source)
{
    if (source.isNull())
        return;
    BusyCursor busy(qint64(m_page->innerSize().width()) * m_page->innerSize().height());
    TilePage(m_page->image(), source.image, m_pattern->innerSize());
    m_page->update();
}

void Form30::ApplyHeight()
{
    const auto h = readTwips(m_text1, QStringLiteral("高度"));
    if (!h || !setPageSizeTwips(m_pageWidthTwips, *h))
        return;
    TileWith(m_pattern->picture());
}

void Form30::ApplyWidth()
{
    const auto w = readTwips(m_text2, QStringLiteral("宽度"));
    if (!w || !setPageSizeTwips(*w, m_pageHeightTwips))
        return;
    TileWith(m_pattern->picture());
}

void Form30::NewPage()
{
    m_page->move(0, twipsToPixels(kNewPageTop));
    if (!setPageSizeTwips(kNewPageWidth, kNewPageHeight))
        return;
    TileWith(m_pattern->picture());
}

void Form30::TileSample(int k)
{
    auto *box = m_client->findChild<PictureBox *>(QStringLiteral("Picture%1").arg(k + 3));
    if (!box)
        return;
    if (box->picture().isNull())
        box->setPicture(samplePicture(k)); // loaded on first use
    TileWith(box->picture());
}

void Form30::OpenPicture()
{
    const std::optional<Picture> picture = ChoosePicture(m_cdlg);
    if (!picture)
        return;
    if (!m_page->setPicture(*picture)) {
        showNotice(this, QStringLiteral("图片太大，内存放不下。"), MsgIcon::Warning);
        return;
    }
    m_pattern->setPicture(*picture);
    m_pageWidthTwips = pixelsToTwips(m_page->width());
    m_pageHeightTwips = pixelsToTwips(m_page->height());
}

void Form30::SavePage()
{
    SaveAsBitmap(this, m_cdlg, *m_page);
}

void Form30::Print()
{
    PrintPicture(this, m_page->picture(), windowTitle());
}

void Form30::About()
{
    const QString page = helpPagePath();
    if (!page.isEmpty())
        openInBrowser(QUrl::fromLocalFile(page));
}

} // namespace ptt

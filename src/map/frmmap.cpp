#include "frmmap.h"
#include "mapstock.h"

#include "pageops/navigator.h"
#include "pageops/openpicture.h"
#include "pageops/samples.h"
#include "pageops/saveasbitmap.h"
#include "platform/canvasdrag.h"

#include "platform/appdir.h"
#include "platform/busycursor.h"
#include "platform/canvas.h"
#include "platform/notice.h"
#include "platform/picturebox.h"
#include "platform/widgetstyle.h"
#include "platform/windows.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

namespace ptt {

namespace {

const QColor kPaleYellow(255, 255, 192); // the labels and the selection outline
const QColor kBlankHatch(160, 160, 160);

struct SlotPlace {
    const char *button;
    QRect buttonRect;
    QPoint picture;
};

// Slots 1..10: load button and picture places.
const SlotPlace kSlots[MapGrid::kPictureCount] = {
    {"Command2", {4, 40, 79, 27}, {2, 70}},        {"Command3", {282, 40, 85, 27}, {282, 70}},
    {"Command6", {566, 40, 77, 25}, {566, 68}},    {"Command7", {834, 40, 77, 25}, {834, 68}},
    {"Command8", {1106, 40, 73, 25}, {1106, 68}},  {"Command9", {6, 398, 77, 27}, {4, 428}},
    {"Command10", {282, 396, 77, 27}, {282, 426}}, {"Command11", {566, 396, 79, 27}, {566, 426}},
    {"Command12", {834, 398, 79, 27}, {834, 428}}, {"Command13", {1106, 400, 77, 27}, {1106, 430}},
};

// The selection outline: a dotted rectangle that lets clicks through.
class Outline : public QWidget {
public:
    explicit Outline(QWidget *parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setObjectName(QStringLiteral("shpOutLine"));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        // Two passes so the dots show on light and dark pictures alike.
        p.setPen(QPen(kPaleYellow, 1, Qt::SolidLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

// The blank picture holds no picture; the palette shows it as an empty
// tile, framed and hatched, so it can be found without hovering.
class BlankSlot : public PictureBox {
public:
    using PictureBox::PictureBox;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const QRect r = rect();
        p.fillRect(r, Qt::white);
        p.fillRect(r, QBrush(kBlankHatch, Qt::BDiagPattern));
        p.setPen(QPen(Qt::black, 1));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
};

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, const QRect &r)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(r);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, kPaleYellow);
    l->setPalette(p);
    return l;
}

} // namespace

frmMap::frmMap(QWidget *parent) : QWidget(parent, Qt::Window), m_cdlg(this)
{
    setObjectName(QStringLiteral("frmMap"));
    setWindowTitle(QStringLiteral("澄岭地图式图片排版器"));
    setBackground(this, kWindowGreen);
    // Centred, but never wider or higher than the screen it opens on: the
    // grid and the palette's right part (up to x = 1247) stay reachable.
    placeOnScreen(this, QSize(1411, 866));

    // The palette: labels, the blank picture, ten small pictures and their
    // load buttons, on the window's own surface.
    makeLabel(this, "Label2", QStringLiteral("清空单元图"), QRect(206, 48, 65, 21));
    makeLabel(this, "Label1", QStringLiteral("定位单元图大小"), QRect(84, 48, 89, 19));
    m_imgFore[0] = new BlankSlot(this);
    m_imgFore[0]->setObjectName(QStringLiteral("imgFore0"));
    m_imgFore[0]->setGeometry(176, 42, 32, 32);
    m_imgFore[0]->setToolTip(QStringLiteral("单击取空白图"));
    for (int k = 1; k <= MapGrid::kPictureCount; ++k) {
        const SlotPlace &slot = kSlots[k - 1];
        auto *b = makeButton(this, slot.button, QStringLiteral("调入小图%1").arg(k), slot.buttonRect, kPink);
        connect(b, &QPushButton::clicked, this, [this, k] { LoadSmallPicture(k); });
        auto *img = new PictureBox(this);
        img->setObjectName(QStringLiteral("imgFore%1").arg(k));
        img->setToolTip(QStringLiteral("单击取图"));
        img->move(slot.picture);
        img->setAutoSize(true);
        img->setPicture(storedPicture(mapSmallPicturePath(k)));
        m_imgFore[k] = img;
    }
    for (int k = 0; k <= MapGrid::kPictureCount; ++k)
        connect(m_imgFore[k], &PictureBox::clicked, this, [this, k] { SelectPicture(k); });
    m_outline = new Outline(this);

    // The grid lies over the palette.
    m_picBack = new Canvas(this);
    m_picBack->setObjectName(QStringLiteral("picBack"));
    m_picBack->setBorderWidth(2);
    m_picBack->setToolTip(QStringLiteral("双击定位图片"));
    m_picBack->move(0, 26);
    auto *drag = CanvasDrag::attach(m_picBack);
    connect(drag, &CanvasDrag::pressed, this, [this] { m_picBack->setCursor(Qt::SizeAllCursor); });
    connect(m_picBack, &Canvas::mouseReleased, this, [this](Qt::MouseButton button, QPointF pos) {
        if (button == Qt::LeftButton)
            Place(pos);
    });

    // The top row stays above the grid so it can always be reached.
    m_strip = makeStrip(this, "Picture1");
    m_strip->setGeometry(0, 2, 1409, 25);
    auto *cmdLoad = makeButton(this, "cmdLoad", QStringLiteral("载入地图"), QRect(0, 4, 75, 21));
    auto *cmdClear = makeButton(this, "cmdClear", QStringLiteral("清除地图"), QRect(74, 4, 75, 21));
    auto *cmdSave = makeButton(this, "cmdSave", QStringLiteral("存成地图"), QRect(146, 4, 75, 21));
    m_text1 = new QLineEdit(QStringLiteral("6"), this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(220, 4, 45, 21);
    m_text1->setToolTip(QStringLiteral("列数"));
    m_text2 = new QLineEdit(QStringLiteral("6"), this);
    m_text2->setObjectName(QStringLiteral("Text2"));
    m_text2->setGeometry(266, 4, 45, 21);
    m_text2->setToolTip(QStringLiteral("行数"));
    auto *command1 = makeButton(this, "Command1", QStringLiteral("确定大小"), QRect(312, 4, 75, 21));
    auto *command15 = makeButton(m_strip, "Command15", QStringLiteral("背景颜色"), QRect(384, 0, 75, 21));
    auto *command14 = makeButton(this, "Command14", QStringLiteral("剪裁保存"), QRect(460, 4, 75, 21));
    auto *command16 = makeButton(m_strip, "Command16", QStringLiteral("整版保存"), QRect(532, 0, 75, 21));
    for (QWidget *w :
         {static_cast<QWidget *>(cmdLoad), static_cast<QWidget *>(cmdClear), static_cast<QWidget *>(cmdSave),
          static_cast<QWidget *>(m_text1), static_cast<QWidget *>(m_text2), static_cast<QWidget *>(command1),
          static_cast<QWidget *>(command14)})
        w->raise();

    connect(cmdLoad, &QPushButton::clicked, this, &frmMap::LoadMap);
    connect(cmdClear, &QPushButton::clicked, this, &frmMap::ClearMap);
    connect(cmdSave, &QPushButton::clicked, this, &frmMap::SaveMap);
    connect(command1, &QPushButton::clicked, this, &frmMap::SetUpGrid);
    connect(command15, &QPushButton::clicked, this, &frmMap::ChooseBackColour);
    connect(command16, &QPushButton::clicked, this, &frmMap::SaveWholePage);
    connect(command14, &QPushButton::clicked, this, [] { Navigator::instance().showCropCapture(nullptr); });

    SetUpGrid();
}

void frmMap::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_strip->resize(width(), m_strip->height());
}

void frmMap::SetUpGrid()
{
    const QSizeF cell = m_imgFore[1]->picture().isNull() ? QSizeF() : QSizeF(m_imgFore[1]->size());
    MapGrid next = m_grid;
    QString error;
    if (!next.SetUpGrid(m_text1->text(), m_text2->text(), cell, &error)) {
        showNotice(this, error, MsgIcon::Information);
        return;
    }
    // The page is sized first, so a size it cannot hold changes nothing. It
    // keeps its top-left corner; its client area takes the grid size.
    BusyCursor busy(qint64(next.clientSize().width()) * next.clientSize().height());
    const QRect kept = QRect(QPoint(0, 0), m_picBack->innerSize());
    if (!m_picBack->setInnerSize(next.clientSize())) {
        showNotice(this, QStringLiteral("地图太大，内存放不下。"), MsgIcon::Warning);
        return;
    }
    m_grid = std::move(next);
    // One fill of the page: the sizing gave new area the background colour,
    // so only what it kept of the old image is cleared.
    if (m_picBack->backColor() != kMapBackColour) {
        m_picBack->setBackColor(kMapBackColour);
    } else {
        QPainter p(&m_picBack->image());
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(kept, kMapBackColour);
    }
    m_outline->resize(int(m_grid.CellWidth) + 4, int(m_grid.CellHeight) + 4);
    SelectPicture(1);
    m_grid.DrawOnBackground(m_picBack->image(), kMapLineColour, pictures());
    m_stale = false;
    m_picBack->update();
}

MapGrid::PictureFor frmMap::pictures() const
{
    return [this](int value) -> const Picture * {
        if (value < 1 || value > MapGrid::kPictureCount)
            return nullptr;
        return &m_imgFore[value]->picture();
    };
}

void frmMap::Redraw()
{
    m_grid.Redraw(m_picBack->image(), m_picBack->backColor(), kMapLineColour, pictures());
    m_stale = false;
    m_picBack->update();
}

void frmMap::SelectPicture(int k)
{
    m_grid.SelPic = k;
    m_outline->move(m_imgFore[k]->pos() - QPoint(2, 2));
    m_outline->show();
    m_outline->stackUnder(m_picBack);
}

void frmMap::Place(const QPointF &pos)
{
    const std::optional<int> index = m_grid.cellAt(pos);
    if (!index)
        return;
    const int before = m_grid.MapCells.at(*index);
    m_grid.Place(pos);
    m_picBack->setCursor(Qt::ArrowCursor);
    if (m_stale) {
        Redraw();
        return;
    }
    const MapGrid::PictureFor shown = pictures();
    const QRect area = m_grid.changedArea(*index, before, shown);
    m_grid.RedrawArea(m_picBack->image(), area, m_picBack->backColor(), kMapLineColour, shown);
    const int border = m_picBack->borderWidth();
    m_picBack->update(area.translated(border, border));
}

void frmMap::LoadSmallPicture(int k)
{
    const std::optional<Picture> picture = ChoosePicture(m_cdlg);
    if (!picture)
        return;
    m_imgFore[k]->setPicture(*picture);
    if (std::find(m_grid.MapCells.cbegin(), m_grid.MapCells.cend(), qint16(k)) != m_grid.MapCells.cend())
        m_stale = true;
}

void frmMap::ClearMap()
{
    m_grid.Clear();
    Redraw();
}

void frmMap::SaveMap()
{
    const std::optional<QString> name =
        inputBox(this, QStringLiteral("请输入地图档名称"), QStringLiteral("储存地图档"));
    if (!name || name->isEmpty())
        return;
    const FileResult saved = saveMapFile(AppDir() + *name, m_grid.MapCells);
    if (!saved)
        messageBox(this, QStringLiteral("无法储存地图档 [%1]：%2").arg(*name, saved.error), QStringLiteral("档案错误"),
                   MsgButtons::Ok, MsgIcon::Warning);
}

void frmMap::LoadMap()
{
    const std::optional<QString> name =
        inputBox(this, QStringLiteral("请输入地图档名称"), QStringLiteral("载入地图档"));
    if (!name || name->isEmpty())
        return;
    const QString path = AppDir() + *name;
    if (!QFileInfo(path).isFile()) {
        messageBox(this, QStringLiteral("找不到 [") + *name + QStringLiteral("] 档案"), QStringLiteral("档案错误"));
        return;
    }
    const MapFileRead read = loadMapFile(path, m_grid.cellCount());
    if (!read.ok) {
        messageBox(this, QStringLiteral("无法读取地图档 [%1]：%2").arg(*name, read.error), QStringLiteral("档案错误"),
                   MsgButtons::Ok, MsgIcon::Warning);
        return;
    }
    m_grid.MapCells = read.cells;
    Redraw();
    if (read.outOfRange > 0)
        messageBox(this,
                   QStringLiteral("地图档 [%1] 中有 %2 个单元的值不是 0 到 10，这些单元按空白处理。")
                       .arg(*name)
                       .arg(read.outOfRange),
                   QStringLiteral("档案错误"), MsgButtons::Ok, MsgIcon::Information);
}

void frmMap::ChooseBackColour()
{
    if (!m_cdlg.showColor())
        return;
    // Repaints the whole grid area in the colour; the next Redraw brings the
    // lines and pictures back.
    m_picBack->setBackColor(m_cdlg.color);
    m_stale = true;
}

void frmMap::SaveWholePage()
{
    SaveAsBitmap(this, m_cdlg, *m_picBack);
}

} // namespace ptt

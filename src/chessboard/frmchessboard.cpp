#include "frmchessboard.h"

#include "foregroundlayer.h"

#include "pageops/navigator.h"
#include "pageops/saveasbitmap.h"
#include "platform/appdir.h"
#include "platform/busycursor.h"
#include "platform/canvas.h"
#include "platform/canvasdrag.h"
#include "platform/units.h"
#include "platform/widgetstyle.h"
#include "text/textstamp.h"
#include "text/texttool.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QToolTip>

namespace ptt {

namespace {

const QColor kTextColour(215, 21, 123);
const QColor kFrameColour(128, 128, 255);

// Design layout, twips.
constexpr double kClientWidth = 13710;
constexpr double kClientHeight = 8145;
constexpr double kBoardLeft = 0;
constexpr double kBoardTop = 390;
constexpr double kBoardWidth = 13695;
constexpr double kBoardHeight = 8025;

const char16_t *const kComboItems[] = {
    u"1：图文设计排版方便灵活", u"2：可设计超大图片",           u"3：可任意调整小图片位置",
    u"4：可任意调整文字角度",   u"5：可任意调整字体和颜色",     u"6：可任意移动大图版",
    u"7：可任意剪裁缩放和重排", u"8：可保存为图层文件反复设计", u"9：可设计照片墙",
};

} // namespace

frmChessBoard::frmChessBoard(QWidget *parent) : QMainWindow(parent), m_cdlg(this)
{
    setObjectName(QStringLiteral("frmChessBoard"));
    setWindowTitle(QStringLiteral("澄岭棋盘式图片排版器"));
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("frmChessBoardClient"));
    setBackground(m_client, kWindowGreen);
    setCentralWidget(m_client);

    m_model = new BoardModel(*this, this);
    buildMenus();

    // The board: a Canvas in twips that keeps what is drawn on it.
    m_board = new Canvas(m_client);
    m_board->setObjectName(QStringLiteral("Picture1"));
    m_board->setScaleMode(Canvas::ScaleMode::Twips);
    m_board->setBackColor(kPageGreen);
    m_board->setForeColor(kTextColour);
    const FontDesc boardFont = FontDesc::boldChinese(QStringLiteral("楷体_GB2312"), 15);
    m_board->setCanvasFont(boardFont);
    m_board->setToolTip(QStringLiteral("按住左键移动大图版"));
    placeTwips(m_board, kBoardLeft, kBoardTop, kBoardWidth, kBoardHeight);
    m_fittedBoardSize = m_board->size();
    CanvasDrag::attach(m_board);
    // Installed after CanvasDrag, so it sees the board's events first.
    m_board->installEventFilter(this);

    m_layer = new ForegroundLayer(*m_model, m_board);
    m_layer->setGeometry(m_board->rect());

    m_frame = new ShapeOutline(m_board);
    m_frame->setObjectName(QStringLiteral("Shape1"));
    m_frame->setBorderColor(kFrameColour);
    placeTwips(m_frame, 840, 1200, 735, 735);
    m_frame->raise();

    buildToolbar();
    m_strip->raise(); // the toolbar stays on top of a board moved under it

    resize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight) + menuBar()->sizeHint().height());

    connect(m_model, &BoardModel::backgroundLoaded, this, &frmChessBoard::onBackgroundLoaded);
    connect(m_model, &BoardModel::slotAdded, m_layer, &ForegroundLayer::slotAdded);
    connect(m_model, &BoardModel::slotRemoved, m_layer, &ForegroundLayer::slotRemoved);
    connect(m_model, &BoardModel::slotChanged, m_layer, &ForegroundLayer::slotChanged);
    connect(m_model, &BoardModel::frameChanged, this, &frmChessBoard::applyFrame);
    connect(m_model, &BoardModel::controlsChanged, this, &frmChessBoard::applyControls);
    connect(m_board, &Canvas::resized, this, [this] {
        m_layer->setGeometry(m_board->rect());
        fitToBoard();
    });

    // Load, in order.
    m_cdlg.initDir = AppDir();
    // (The two filters are the model's: BoardModel::PictureFilter/PositionFilter.)
    applyControls();
    m_board->setAutoSize(true);
    m_frame->setBorderWidth(2);
    m_frame->hide();

    // The text tool: TextFont from the board's font; stamps in twips on the board.
    new TextStamp(m_board, m_textTool, m_cdlg);

    for (const char16_t *item : kComboItems)
        m_textTool.text->addItem(QString::fromUtf16(item));
    for (char c = 'A'; c <= 'Q'; ++c)
        m_textTool.text->addItem(QString(QLatin1Char(c)));
    showStampPrompt(m_textTool.text);
}

frmChessBoard::~frmChessBoard()
{
    // The layer dies with the board; the model must not reach it.
    disconnect(m_model, nullptr, nullptr, nullptr);
    m_board->removeEventFilter(this);
}

void frmChessBoard::buildToolbar()
{
    m_strip = makeStrip(m_client, "Picture2");
    placeTwips(m_strip, 0, 0, 13695, 375);

    auto *command1 = makeStripButton(m_strip, "Command1", QStringLiteral("打开背景图"), 0, 1095);
    auto *command2 =
        makeStripButton(m_strip, "Command2", QStringLiteral("新建图案"), 1080, 855, QStringLiteral("选择前景图"));
    auto *command3 = makeStripButton(m_strip, "Command3", QStringLiteral("打开图案"), 1920, 855);
    auto *command4 = makeStripButton(m_strip, "Command4", QStringLiteral("保存图案"), 2760, 855);
    m_command5 = makeStripButton(m_strip, "Command5", QStringLiteral("插入前景图"), 3600, 1035);
    m_command6 = makeStripButton(m_strip, "Command6", QStringLiteral("变更前景图"), 4620, 1065);
    m_command7 = makeStripButton(m_strip, "Command7", QStringLiteral("删除前景图"), 5670, 1065);
    auto *command8 = makeStripButton(m_strip, "Command8", QStringLiteral("剪裁保存"), 6720, 855);
    auto *command9 = makeStripButton(m_strip, "Command9", QStringLiteral("整版保存"), 7560, 855);

    TextToolLayout text;
    text.text = QRectF(8400, 0, 1215, 300);
    text.angleBar = QRectF(9600, 0, 1005, 315);
    text.angleLabel = QRectF(10590, 60, 1335, 285);
    text.angleLabelName = "Label1";
    text.fontButtonName = "Command10";
    text.colorButtonName = "Command11";
    text.fontButtonLeft = 11940;
    text.colorButtonLeft = 12780;
    text.buttonWidth = 855;
    m_textTool = buildTextTool(m_strip, text);

    connect(command1, &QPushButton::clicked, this, [this] { run([this] { m_model->LoadBackground(); }); });
    connect(command2, &QPushButton::clicked, this,
            [this] { run([this] { m_model->NewDocument(BoardModel::Trigger::Button); }); });
    connect(command3, &QPushButton::clicked, this, [this] { run([this] { m_model->OpenDocument(); }); });
    connect(command4, &QPushButton::clicked, this, [this] { run([this] { m_model->SaveDocument(); }); });
    connect(m_command5, &QPushButton::clicked, this, [this] { run([this] { m_model->InsertForeground(); }); });
    connect(m_command6, &QPushButton::clicked, this, [this] { run([this] { m_model->ChangeForeground(); }); });
    connect(m_command7, &QPushButton::clicked, this, [this] { run([this] { m_model->DeleteForeground(); }); });
    connect(command8, &QPushButton::clicked, this, &frmChessBoard::CropSave);
    connect(command9, &QPushButton::clicked, this, &frmChessBoard::SaveBoard);
}

void frmChessBoard::buildMenus()
{
    auto add = [](QMenu *menu, const char *name, const QString &caption) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    auto separator = [](QMenu *menu, const char *name) {
        QAction *a = menu->addSeparator();
        a->setObjectName(QLatin1String(name));
    };

    QMenu *mnuGoTo = menuBar()->addMenu(QStringLiteral("文件(&G)"));
    mnuGoTo->setObjectName(QStringLiteral("mnuGoTo"));
    QAction *mnuEditPos = add(mnuGoTo, "mnuEditPos", QStringLiteral("打开背景图(&E)"));
    separator(mnuGoTo, "mnuSep2");
    QAction *mnuNewPos = add(mnuGoTo, "mnuNewPos", QStringLiteral("新建位置档案(&N)"));
    QAction *munOpenPos = add(mnuGoTo, "munOpenPos", QStringLiteral("载入位置档案(&O)"));
    m_mnuSavePos = add(mnuGoTo, "mnuSavePos", QStringLiteral("储存位置档案(&S)"));
    QAction *mnuQuit = add(mnuGoTo, "mnuQuit", QStringLiteral("退出(&Q)"));
    mnuQuit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    m_mnuEditIcon = menuBar()->addMenu(QStringLiteral("编辑前景图(&I)"));
    m_mnuEditIcon->setObjectName(QStringLiteral("mnuEditIcon"));
    m_mnuEditIcon->setSeparatorsCollapsible(false);
    separator(m_mnuEditIcon, "mnuSep1");
    m_mnuInsertFront = add(m_mnuEditIcon, "mnuInsertFront", QStringLiteral("插入前景图(&P)"));
    m_mnuLoadFront = add(m_mnuEditIcon, "mnuLoadFront", QStringLiteral("变更前景图(&F)"));
    m_mnuDelFront = add(m_mnuEditIcon, "mnuDelFront", QStringLiteral("删除前景图(&D)"));

    connect(mnuEditPos, &QAction::triggered, this, [this] { run([this] { m_model->LoadBackground(); }); });
    connect(mnuNewPos, &QAction::triggered, this,
            [this] { run([this] { m_model->NewDocument(BoardModel::Trigger::Menu); }); });
    connect(munOpenPos, &QAction::triggered, this, [this] { run([this] { m_model->OpenDocument(); }); });
    connect(m_mnuSavePos, &QAction::triggered, this, [this] { run([this] { m_model->SaveDocument(); }); });
    connect(mnuQuit, &QAction::triggered, this, &QWidget::close);
    connect(m_mnuInsertFront, &QAction::triggered, this, [this] { run([this] { m_model->InsertForeground(); }); });
    connect(m_mnuLoadFront, &QAction::triggered, this, [this] { run([this] { m_model->ChangeForeground(); }); });
    connect(m_mnuDelFront, &QAction::triggered, this, [this] { run([this] { m_model->DeleteForeground(); }); });
}

template <class F> void frmChessBoard::run(F &&operation)
{
    m_layer->beginBatch();
    operation();
    m_layer->endBatch();
}

void frmChessBoard::applyControls()
{
    m_mnuEditIcon->menuAction()->setVisible(m_model->editIconVisible());
    m_mnuInsertFront->setEnabled(m_model->frontMenuEnabled());
    m_mnuLoadFront->setEnabled(m_model->frontMenuEnabled());
    m_mnuDelFront->setEnabled(m_model->frontMenuEnabled());
    for (QPushButton *b : {m_command5, m_command6, m_command7})
        b->setEnabled(m_model->frontButtonsEnabled());
    m_mnuSavePos->setEnabled(m_model->modified());
}

QRect frmChessBoard::foregroundRect(int i) const
{
    return m_layer->slotRect(i);
}

QString frmChessBoard::toolTipAt(QPoint boardPixel) const
{
    return m_layer->slotAt(boardPixel) >= 0 ? QStringLiteral("按住左键移动") : m_board->toolTip();
}

// A board pixel relative to a slot's top-left corner, in twips.
QPointF frmChessBoard::slotLocalTwips(int index, QPoint boardPixel) const
{
    if (index < 0 || index >= m_model->slotCount())
        return QPointF();
    const BoardSlot &s = m_model->slot(index);
    return QPointF(pixelsToTwips(boardPixel.x()) - s.left, pixelsToTwips(boardPixel.y()) - s.top);
}

bool frmChessBoard::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_board)
        return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto *e = static_cast<QMouseEvent *>(event);
        const QPoint pixel = e->position().toPoint();
        if (m_grabbedSlot < 0 && !m_boardPressed) {
            // The first button down decides who gets the rest, as a widget
            // under the pointer would.
            m_grabbedSlot = m_layer->slotAt(pixel);
            m_boardPressed = m_grabbedSlot < 0;
        }
        if (m_boardPressed)
            return false;
        const QPointF local = slotLocalTwips(m_grabbedSlot, pixel);
        m_model->pressForeground(m_grabbedSlot, e->button(), local.x(), local.y());
        return true;
    }
    case QEvent::MouseMove: {
        if (m_grabbedSlot < 0)
            return false;
        auto *e = static_cast<QMouseEvent *>(event);
        const QPoint pixel = e->position().toPoint();
        const QPointF local = slotLocalTwips(m_grabbedSlot, pixel);
        m_model->moveOverForeground(m_grabbedSlot, e->buttons(), local.x(), local.y());
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *e = static_cast<QMouseEvent *>(event);
        if (m_grabbedSlot < 0) {
            if (e->buttons() == Qt::NoButton)
                m_boardPressed = false;
            return false;
        }
        const int slot = m_grabbedSlot;
        if (e->buttons() == Qt::NoButton)
            m_grabbedSlot = -1;
        const QPointF local = slotLocalTwips(slot, e->position().toPoint());
        m_model->releaseForeground(slot, e->button(), local.x(), local.y());
        return true;
    }
    case QEvent::ToolTip: {
        auto *e = static_cast<QHelpEvent *>(event);
        QToolTip::showText(e->globalPos(), toolTipAt(e->pos()), m_board);
        return true;
    }
    default:
        return false;
    }
}

void frmChessBoard::applyFrame()
{
    const QRectF r = m_model->frameRect();
    placeTwips(m_frame, r.left(), r.top(), r.width(), r.height());
    m_frame->setVisible(m_model->frameVisible());
}

void frmChessBoard::onBackgroundLoaded(const Picture &picture)
{
    BusyCursor busy(qint64(picture.naturalSize.width()) * picture.naturalSize.height());
    if (!m_board->setPicture(picture))
        messageBox(this, QStringLiteral("背景图太大，内存不足，无法载入。"), BoardModel::messageTitle(), MsgButtons::Ok,
                   MsgIcon::Warning);
}

void frmChessBoard::fitToBoard()
{
    // The client area takes the board's size; the toolbar's offset is not
    // added, so the board's lowest part is reached by moving the board.
    const QSize boardSize = m_board->size();
    // The board's first resize event only reports its design size.
    if (boardSize == m_fittedBoardSize)
        return;
    m_fittedBoardSize = boardSize;
    const QSize target(boardSize.width(), boardSize.height() + menuBar()->sizeHint().height());
    resize(target);
    const QScreen *s = screen();
    if (!s)
        return;
    const QRect screenRect = s->geometry();
    const QSize frameExtra = frameGeometry().size() - geometry().size();
    const QSize outer = target + frameExtra;
    // Centred; a window larger than the screen keeps its title bar on it.
    const int x = screenRect.x() + qMax(0, (screenRect.width() - outer.width()) / 2);
    const int y = screenRect.y() + qMax(0, (screenRect.height() - outer.height()) / 2);
    move(x, y);
}

void frmChessBoard::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    m_strip->resize(frameGeometry().width(), m_strip->height());
}

void frmChessBoard::SaveBoard()
{
    // The board's image holds the background and stamped text only: the
    // foregrounds and the frame are widgets above it.
    SaveAsBitmap(this, m_cdlg, *m_board);
}

void frmChessBoard::CropSave()
{
    Navigator::instance().showCropCapture(nullptr);
}

QString frmChessBoard::chooseFile(const QString &filter, bool save)
{
    m_cdlg.fileName.clear();
    m_cdlg.filter = filter;
    m_cdlg.filterIndex = 1;
    m_cdlg.overwritePrompt = false;
    const bool chosen = save ? m_cdlg.showSave() : m_cdlg.showOpen();
    return chosen ? m_cdlg.fileName : QString();
}

BoardServices::Answer frmChessBoard::message(const QString &text, const QString &title, Buttons buttons)
{
    const bool question = buttons == Buttons::YesNoCancel;
    const MsgResult r = messageBox(this, text, title, question ? MsgButtons::YesNoCancel : MsgButtons::Ok,
                                   question ? MsgIcon::Question : MsgIcon::Information);
    switch (r) {
    case MsgResult::Yes:
        return Answer::Yes;
    case MsgResult::No:
        return Answer::No;
    case MsgResult::Ok:
        return Answer::Ok;
    default:
        return Answer::Cancel;
    }
}

PictureLoadResult frmChessBoard::loadPicture(const QString &path)
{
    return ptt::loadPicture(path);
}

} // namespace ptt

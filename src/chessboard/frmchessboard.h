#pragma once
// frmChessBoard: the chessboard-style window. A board (Picture1, a Canvas in
// twips) shows the background; foreground slots (Image1) lie over it and are
// dragged into place; the document behind them is BoardModel. The window
// builds the controls, forwards their events to the model and mirrors the
// model's state in the widgets.
#include "boardmodel.h"

#include "platform/dialogs.h"
#include "text/texttool.h"

#include <QList>
#include <QMainWindow>

class QAction;
class QMenu;
class QPushButton;

namespace ptt {

class Canvas;
class ForegroundLayer;
class ShapeOutline;

class frmChessBoard : public QMainWindow, private BoardServices {
    Q_OBJECT
public:
    explicit frmChessBoard(QWidget *parent = nullptr);
    ~frmChessBoard() override;

    BoardModel &model() { return *m_model; }
    Canvas *board() const { return m_board; }
    QWidget *clientArea() const { return m_client; }
    ShapeOutline *frame() const { return m_frame; }
    CommonDialog &dialog() { return m_cdlg; }
    ForegroundLayer *foregrounds() const { return m_layer; }
    // Foreground i's rectangle in board pixels; empty when it is not shown.
    QRect foregroundRect(int i) const;
    // The tooltip at a board pixel: a foreground's or the board's.
    QString toolTipAt(QPoint boardPixel) const;

    // 整版保存 and 剪裁保存.
    void SaveBoard();
    void CropSave();

protected:
    void resizeEvent(QResizeEvent *event) override;
    // Mouse events of the board: those that hit a foreground are its drag;
    // the rest go on to CanvasDrag and the board.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // BoardServices through this window's dialog object.
    QString chooseFile(const QString &filter, bool save) override;
    Answer message(const QString &text, const QString &title, Buttons buttons) override;
    PictureLoadResult loadPicture(const QString &path) override;

    void buildToolbar();
    void buildMenus();
    void fitToBoard();
    void applyControls();
    void applyFrame();
    void onBackgroundLoaded(const Picture &picture);
    QPointF slotLocalTwips(int index, QPoint boardPixel) const;
    // Runs a document operation; the frame stays above the foregrounds.
    template <class F> void run(F &&operation);

    BoardModel *m_model = nullptr;
    QWidget *m_client = nullptr;
    QWidget *m_strip = nullptr; // Picture2
    Canvas *m_board = nullptr;  // Picture1
    ShapeOutline *m_frame = nullptr;
    ForegroundLayer *m_layer = nullptr;
    int m_grabbedSlot = -1;            // the foreground that took the press
    bool m_boardPressed = false;       // a press went to the board
    QPushButton *m_command5 = nullptr; // the foreground buttons
    QPushButton *m_command6 = nullptr;
    QPushButton *m_command7 = nullptr;
    TextToolControls m_textTool; // Combo1, HScroll1, Label1, Command10, Command11
    QMenu *m_mnuEditIcon = nullptr;
    QAction *m_mnuSavePos = nullptr;
    QAction *m_mnuInsertFront = nullptr;
    QAction *m_mnuLoadFront = nullptr;
    QAction *m_mnuDelFront = nullptr;
    CommonDialog m_cdlg; // CommonDialog1
    QSize m_fittedBoardSize;
};

} // namespace ptt

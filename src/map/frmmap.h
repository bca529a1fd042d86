#pragma once
// frmMap: the map-style layout window. A palette of eleven small pictures
// (slot 0 blank, 1..10 loadable) and the grid Canvas picBack on top of it;
// a click selects a small picture, a double-click on the grid places it.
// Everything in this window is in pixels.
#include "mapgrid.h"

#include "platform/dialogs.h"

#include <QWidget>

class QLineEdit;
class QPushButton;

namespace ptt {

class Canvas;
class PictureBox;

class frmMap : public QWidget {
    Q_OBJECT
public:
    explicit frmMap(QWidget *parent = nullptr);

    MapGrid &grid() { return m_grid; }
    Canvas *picBack() const { return m_picBack; }
    PictureBox *imgFore(int k) const { return m_imgFore[k]; }
    QWidget *outline() const { return m_outline; }
    CommonDialog &dialog() { return m_cdlg; }

    void SetUpGrid();
    void Redraw();
    // A placing release at a point of the grid's client area: the cell there
    // takes SelPic and only the pixels it may change are redrawn.
    void Place(const QPointF &pixels);
    void SelectPicture(int k);
    void LoadSmallPicture(int k);
    void ClearMap();
    void SaveMap();
    void LoadMap();
    void ChooseBackColour();
    void SaveWholePage();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    MapGrid::PictureFor pictures() const;

    MapGrid m_grid;
    CommonDialog m_cdlg;
    Canvas *m_picBack = nullptr;
    QWidget *m_strip = nullptr;
    QWidget *m_outline = nullptr;
    QLineEdit *m_text1 = nullptr;
    QLineEdit *m_text2 = nullptr;
    PictureBox *m_imgFore[MapGrid::kPictureCount + 1] = {};
    // The image no longer shows the cells as a Redraw would (a new small
    // picture in a slot some cell holds, a new background colour): the next
    // placement redraws everything.
    bool m_stale = false;
};

} // namespace ptt

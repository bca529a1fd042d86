#pragma once
// Form31: the free layout window. A page (Picture20, a Canvas in twips) with
// three resizable regions, each tiled on request with its own small picture;
// A4/A5/A6 page sizes, background colour, horizontal text stamps, and saving
// by cutting the page out of the screen.
#include "platform/dialogs.h"

#include <QMainWindow>

namespace ptt {

class Canvas;
class PictureBox;

class Form31 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form31(QWidget *parent = nullptr);

    Canvas *page() const { return m_page; }
    Canvas *region(int k) const { return m_regions[k - 1]; }
    PictureBox *smallPicture(int k) const { return m_small[k - 1]; }
    CommonDialog &dialog() { return m_cdlg; }

    // Page size in twips, height first, as the size buttons set it.
    void SetPageSize(double heightTwips, double widthTwips);
    void NewPage();
    void TileRegion(int k);
    void LoadRegionPicture(int k);
    void ChooseBackColour();
    // The menu 保存: the crop tool beside the page, its left edge at the
    // page's outer width + 20 twips from the screen's left edge.
    void SaveBesidePage();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void SetSizableBorder(Canvas *control);

    QWidget *m_client = nullptr;
    QWidget *m_strip = nullptr;
    Canvas *m_page = nullptr;
    Canvas *m_regions[3] = {};
    PictureBox *m_small[3] = {};
    CommonDialog m_cdlg;
};

} // namespace ptt

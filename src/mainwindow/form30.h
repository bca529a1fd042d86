#pragma once
// Form30: the main window. A page (Picture1, a Canvas in pixels) tiled with
// the pattern picture, the toolbar strip with the page size fields, picture
// file buttons, the text tool and the buttons that open every other window.
#include "formats/picture.h"
#include "platform/dialogs.h"
#include "text/texttool.h"

#include <QMainWindow>

class QLineEdit;

namespace ptt {

class Canvas;
class PictureBox;
class TextStamp;

class Form30 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form30(QWidget *parent = nullptr);
    ~Form30() override;

    Canvas *page() const { return m_page; }
    const Picture &patternPicture() const;
    CommonDialog &dialog() { return m_cdlg; }
    TextStamp *textStamp() const { return m_textStamp; }

    // The operations behind the buttons and menus.
    void ApplyHeight();
    void ApplyWidth();
    void NewPage();
    void TileWith(const Picture &source);
    void OpenPicture();
    void SavePage();
    void Print();
    void TileSample(int k);
    void About();

    // Page outer size in twips as last set.
    double pageHeightTwips() const { return m_pageHeightTwips; }
    double pageWidthTwips() const { return m_pageWidthTwips; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildToolbar();
    void buildMenus();
    bool setPageSizeTwips(double widthTwips, double heightTwips);
    std::optional<double> readTwips(QLineEdit *field, const QString &what);

    QWidget *m_client = nullptr;
    QWidget *m_strip = nullptr;      // Picture3
    Canvas *m_page = nullptr;        // Picture1
    PictureBox *m_pattern = nullptr; // Picture2
    QLineEdit *m_text1 = nullptr;
    QLineEdit *m_text2 = nullptr;
    TextToolControls m_textTool; // Combo1, HScroll1, Label2, Command12, Command13
    CommonDialog m_cdlg;
    TextStamp *m_textStamp = nullptr; // owned by the page
    double m_pageWidthTwips = 16000;
    double m_pageHeightTwips = 12000;
};

} // namespace ptt

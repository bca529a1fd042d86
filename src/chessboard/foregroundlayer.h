#pragma once
// What lies over the chessboard's board: the foreground slots (the Image1
// control array), painted by one transparent layer, and the selection frame
// Shape1. One layer instead of a widget per slot: a photo wall may hold tens
// of thousands of foregrounds, far more sibling widgets than Qt can paint.
#include "boardmodel.h"

#include <QColor>
#include <QList>
#include <QWidget>

namespace ptt {

// Paints the slots of a model in index order (later ones on top), each at its
// picture's natural size, never stretched. The mouse passes through it to the
// board, whose window decides what a press hits.
class ForegroundLayer : public QWidget {
    Q_OBJECT
public:
    ForegroundLayer(const BoardModel &model, QWidget *board);

    // Slot i's rectangle in board pixels; empty while the slot is not in use.
    QRect slotRect(int index) const { return m_rects.value(index); }
    // The topmost slot in use under a board pixel, or -1.
    int slotAt(QPoint boardPixel) const;

    // Keep in step with the model; each repaints only what changed.
    void slotAdded(int index);
    void slotChanged(int index);
    void slotRemoved(int index);
    // Every slot again (slot 0 shows or hides with the document).
    void refreshAll();
    // While batched, changes are only noted; the end repaints once. Opening
    // a large file would otherwise pile up thousands of small repaints.
    void beginBatch() { ++m_batch; }
    void endBatch();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect computeRect(int index) const;
    const BoardModel &m_model;
    QList<QRect> m_rects;
    int m_batch = 0;
};

// A rectangle outline of a given width drawn inside its bounds; the mouse
// passes through it.
class ShapeOutline : public QWidget {
    Q_OBJECT
public:
    explicit ShapeOutline(QWidget *parent);
    void setBorderWidth(int pixels);
    int borderWidth() const { return m_width; }
    void setBorderColor(const QColor &color);
    QColor borderColor() const { return m_color; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_width = 1;
    QColor m_color = Qt::black;
};

} // namespace ptt

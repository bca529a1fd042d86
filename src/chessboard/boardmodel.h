#pragma once
// The chessboard-style document: the foreground records, the slots that show
// them, the current foreground and its frame, and the enabled/visible state
// of the window's document controls. All positions and sizes are twips on the
// board. Dialogs and picture loading come through BoardServices, so every
// operation runs headless in tests.
#include "positionfile.h"

#include "formats/picture.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QRectF>
#include <QString>

#include <functional>

class QPainter;

namespace ptt {

class BoardServices {
public:
    enum class Buttons { Ok, YesNoCancel };
    enum class Answer { Ok, Yes, No, Cancel };

    virtual ~BoardServices() = default;
    // The file dialog: a full path, or empty when the user cancels.
    virtual QString chooseFile(const QString &filter, bool save) = 0;
    virtual Answer message(const QString &text, const QString &title, Buttons buttons) = 0;
    virtual PictureLoadResult loadPicture(const QString &path) = 0;
};

// What one foreground slot shows: a picture at its natural size with its
// top-left corner at (left, top). A slot without a picture keeps a size so it
// can still be grabbed.
struct BoardSlot {
    Picture picture;
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;

    QRectF rect() const { return QRectF(left, top, width, height); }
};

// Where a slot lies on the board, in pixels: its picture at natural size, or
// the size it keeps while it shows none.
QRect slotPixelRect(const BoardSlot &slot);

// Draws foregrounds 0 .. count - 1 in index order, later ones on top, each
// picture at its natural size into its rectangle (board pixels). Those that
// miss `area` are skipped; a null picture draws nothing. The window's layer
// and the banded page both draw through this, so overlaps come out the same.
void drawForegrounds(QPainter &painter, const QRect &area, int count, const std::function<QRect(int)> &rectAt,
                     const std::function<const Picture *(int)> &pictureAt);

class BoardModel : public QObject {
    Q_OBJECT
public:
    enum class Trigger { Button, Menu };

    static constexpr int kMaxForegrounds = 32767;
    // Slot 0's place in the window layout before any document.
    static constexpr double kSlot0DesignLeft = 150;
    static constexpr double kSlot0DesignTop = 120;
    static constexpr double kSlot0DesignWidth = 855;
    static constexpr double kSlot0DesignHeight = 615;

    static QString PictureFilter();
    static QString PositionFilter();
    static QString messageTitle();

    explicit BoardModel(BoardServices &services, QObject *parent = nullptr);

    const QList<PositionRecord> &Records() const { return m_records; }
    int ForegroundCount() const { return m_count; }
    int CurrentIndex() const { return m_current; }
    const QString &CurrentPictureFile() const { return m_currentPictureFile; }

    // Slot 0 always exists; slots 1.. exist while in use.
    int slotCount() const { return int(m_slots.size()); }
    const BoardSlot &slot(int i) const { return m_slots[i]; }

    bool frameVisible() const { return m_frameVisible; }
    QRectF frameRect() const { return m_frameRect; }

    // Control states: 储存位置档案 enabled = modified.
    bool modified() const { return m_modified; }
    bool editIconVisible() const { return m_editIconVisible; }
    bool frontMenuEnabled() const { return m_frontMenuEnabled; }
    bool frontButtonsEnabled() const { return m_frontButtonsEnabled; }

    // Internal operations.
    QString ChooseFile(const QString &filter, bool save);
    void RecordPosition(int index);
    void ClearBoard();
    bool CloseDocument();

    // The user's operations.
    void LoadBackground();
    void NewDocument(Trigger trigger);
    void OpenDocument();
    enum class SaveResult { Saved, Cancelled, Failed };
    SaveResult SaveDocument();
    void InsertForeground();
    void ChangeForeground();
    void DeleteForeground();

    // A foreground drag; x and y are the pointer relative to the slot's
    // top-left corner, in twips.
    void pressForeground(int index, Qt::MouseButton button, double x, double y);
    void moveOverForeground(int index, Qt::MouseButtons buttons, double x, double y);
    void releaseForeground(int index, Qt::MouseButton button, double x, double y);

    // Records beyond the limit of a file are not loaded; the user is told.
    static QString tooManyMessage();

signals:
    void backgroundLoaded(const Picture &picture);
    void slotAdded(int index);
    // The slot's picture or rectangle changed.
    void slotChanged(int index);
    // Always the last slot.
    void slotRemoved(int index);
    void frameChanged();
    void controlsChanged();

private:
    void setModified(bool on);
    void setFrontMenuEnabled(bool on);
    void showPicture(int index, const QString &fileName, QHash<QString, Picture> *cache = nullptr);
    void appendSlot();
    void removeLastSlot();
    void frameSlot(int index);

    BoardServices &m_services;
    QList<PositionRecord> m_records;
    QList<BoardSlot> m_slots;
    int m_count = 0;
    int m_current = 0;
    QString m_currentPictureFile;
    bool m_frameVisible = false;
    QRectF m_frameRect{840, 1200, 735, 735};
    bool m_modified = false;
    bool m_editIconVisible = false;
    bool m_frontMenuEnabled = false;
    bool m_frontButtonsEnabled = false;
    double m_dragStartX = 0;
    double m_dragStartY = 0;
};

} // namespace ptt

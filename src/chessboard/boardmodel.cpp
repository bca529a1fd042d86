#include "boardmodel.h"

#include "platform/units.h"

#include <QFile>
#include <QPainter>

namespace ptt {

QRect slotPixelRect(const BoardSlot &slot)
{
    const QSize size =
        slot.picture.isNull() ? twipsToPixels(QSizeF(slot.width, slot.height)) : slot.picture.naturalSize;
    return QRect(twipsToPixels(QPointF(slot.left, slot.top)), size);
}

void drawForegrounds(QPainter &painter, const QRect &area, int count, const std::function<QRect(int)> &rectAt,
                     const std::function<const Picture *(int)> &pictureAt)
{
    for (int i = 0; i < count; ++i) {
        const QRect r = rectAt(i);
        if (!r.intersects(area))
            continue;
        const Picture *picture = pictureAt(i);
        if (picture && !picture->isNull())
            painter.drawImage(r, picture->image);
    }
}

QString BoardModel::PictureFilter()
{
    return QStringLiteral("所有图档|*.bmp;*.dib;*.ico;*.wmf;*.emf;*.jpg;*.gif|") +
           QStringLiteral("Windows 标准图档(*.bmp;*.dib)|*.bmp;*.dib|") +
           QStringLiteral("图示档(*.ico)|*.ico|向量档(*.wmf;*.emf)|*.wmf;*.emf|") +
           QStringLiteral("JPeg 压缩图档(*.jpg)|*.jpg|Gif 图档(*.gif)|*.gif");
}

QString BoardModel::PositionFilter()
{
    return QStringLiteral("影像位置档(*.pos)|*.pos");
}

QString BoardModel::messageTitle()
{
    return QStringLiteral("档案输出入");
}

QString BoardModel::tooManyMessage()
{
    return QStringLiteral("前景图最多 %1 张，其余的未载入。").arg(kMaxForegrounds);
}

BoardModel::BoardModel(BoardServices &services, QObject *parent) : QObject(parent), m_services(services)
{
    BoardSlot slot0;
    slot0.left = kSlot0DesignLeft;
    slot0.top = kSlot0DesignTop;
    slot0.width = kSlot0DesignWidth;
    slot0.height = kSlot0DesignHeight;
    m_slots.append(slot0);
}

QString BoardModel::ChooseFile(const QString &filter, bool save)
{
    return positionNameFromPath(m_services.chooseFile(filter, save));
}

void BoardModel::setModified(bool on)
{
    if (m_modified == on)
        return;
    m_modified = on;
    emit controlsChanged();
}

void BoardModel::setFrontMenuEnabled(bool on)
{
    if (m_frontMenuEnabled == on)
        return;
    m_frontMenuEnabled = on;
    emit controlsChanged();
}

void BoardModel::frameSlot(int index)
{
    m_frameRect = m_slots[index].rect().adjusted(-2, -2, 2, 2);
    m_frameVisible = true;
    emit frameChanged();
}

void BoardModel::RecordPosition(int index)
{
    if (index < 0 || index >= m_records.size() || index >= m_slots.size())
        return;
    const BoardSlot &s = m_slots[index];
    PositionRecord &r = m_records[index];
    r.Left = float(s.left);
    r.Top = float(s.top);
    r.Width = float(s.width);
    r.Height = float(s.height);
    frameSlot(index);
    setModified(true);
}

void BoardModel::appendSlot()
{
    m_slots.append(BoardSlot());
    emit slotAdded(int(m_slots.size()) - 1);
}

void BoardModel::removeLastSlot()
{
    const int last = int(m_slots.size()) - 1;
    m_slots.removeLast();
    emit slotRemoved(last);
}

// Loads the picture of a stored name into a slot. A picture that cannot be
// loaded leaves the slot empty at its size; the caller's record keeps the name.
void BoardModel::showPicture(int index, const QString &fileName, QHash<QString, Picture> *cache)
{
    BoardSlot &s = m_slots[index];
    const QString path = pathFromPositionName(fileName);
    Picture picture;
    if (cache && cache->contains(path)) {
        picture = cache->value(path);
    } else if (!path.isEmpty()) {
        picture = m_services.loadPicture(path).picture;
        if (cache)
            cache->insert(path, picture);
    }
    s.picture = picture;
    if (!picture.isNull()) {
        s.width = pixelsToTwips(picture.width());
        s.height = pixelsToTwips(picture.height());
    }
}

void BoardModel::ClearBoard()
{
    m_records.clear();
    while (m_slots.size() > 1)
        removeLastSlot();
    m_count = 0;
    m_current = 0;
    BoardSlot &s0 = m_slots[0];
    s0.picture = Picture();
    s0.left = 0;
    s0.top = 0;
    emit slotChanged(0);
    m_frameVisible = false;
    emit frameChanged();
}

bool BoardModel::CloseDocument()
{
    if (!m_modified) {
        ClearBoard();
        return true;
    }
    const BoardServices::Answer answer = m_services.message(QStringLiteral("结束原位置档前是否先存档？"),
                                                            messageTitle(), BoardServices::Buttons::YesNoCancel);
    switch (answer) {
    case BoardServices::Answer::Yes:
        // A save that failed keeps the document: clearing it now would lose
        // the foregrounds the user asked to keep.
        if (SaveDocument() == SaveResult::Failed)
            return false;
        break;
    case BoardServices::Answer::No:
        break;
    default:
        return false;
    }
    ClearBoard();
    setFrontMenuEnabled(false);
    return true;
}

void BoardModel::LoadBackground()
{
    const QString name = ChooseFile(PictureFilter(), false);
    if (name.isEmpty()) {
        m_services.message(QStringLiteral("你必须载入第一张背景图，才能编辑位置档。"), messageTitle(),
                           BoardServices::Buttons::Ok);
        return;
    }
    if (!m_editIconVisible) {
        m_editIconVisible = true;
        emit controlsChanged();
    }
    const PictureLoadResult loaded = m_services.loadPicture(pathFromPositionName(name));
    if (!loaded.ok()) {
        m_services.message(QStringLiteral("无法载入背景图“%1”：%2").arg(name, loaded.error), messageTitle(),
                           BoardServices::Buttons::Ok);
        return;
    }
    emit backgroundLoaded(loaded.picture);
}

void BoardModel::NewDocument(Trigger trigger)
{
    if (!CloseDocument())
        return;
    m_currentPictureFile = ChooseFile(PictureFilter(), false);
    if (m_currentPictureFile.isEmpty()) {
        m_services.message(QStringLiteral("你并未载入前景图片，无法使用位置档设定。"), messageTitle(),
                           BoardServices::Buttons::Ok);
        return;
    }
    m_frontMenuEnabled = true;
    if (trigger == Trigger::Button)
        m_frontButtonsEnabled = true;
    emit controlsChanged();

    m_records.append(PositionRecord());
    showPicture(0, m_currentPictureFile);
    m_records[0].FileName = m_currentPictureFile;
    RecordPosition(0);
    m_count = 1;
    emit slotChanged(0);
}

void BoardModel::OpenDocument()
{
    if (!CloseDocument())
        return;
    const QString name = ChooseFile(PositionFilter(), false);
    if (name.isEmpty())
        return;
    QFile file(pathFromPositionName(name));
    if (!file.open(QIODevice::ReadOnly)) {
        m_services.message(QStringLiteral("无法打开位置档“%1”：%2").arg(name, file.errorString()), messageTitle(),
                           BoardServices::Buttons::Ok);
        return;
    }

    // Photo walls repeat a few pictures many times: decode each file once
    // and let the slots share it.
    QHash<QString, Picture> cache;
    bool tooMany = false;
    const PositionFile::ReadResult read = PositionFile::Read(&file, [&](const PositionRecord &record) {
        if (m_count >= kMaxForegrounds) {
            tooMany = true;
            return false;
        }
        m_records.append(record);
        const bool reuse = m_count == 0;
        if (!reuse)
            m_slots.append(BoardSlot());
        BoardSlot &s = m_slots[m_count];
        s.width = record.Width;
        s.height = record.Height;
        showPicture(m_count, record.FileName, &cache);
        s.left = record.Left;
        s.top = record.Top;
        ++m_count;
        if (reuse)
            emit slotChanged(0);
        else
            emit slotAdded(m_count - 1);
        return true;
    });
    file.close();

    if (m_count > 0)
        frameSlot(0);
    setFrontMenuEnabled(true);

    if (!read.ok) {
        m_services.message(QStringLiteral("读取位置档“%1”时出错：%2").arg(name, read.error), messageTitle(),
                           BoardServices::Buttons::Ok);
    } else if (tooMany) {
        m_services.message(tooManyMessage(), messageTitle(), BoardServices::Buttons::Ok);
    }
    if (read.skippedLines > 0) {
        m_services.message(QStringLiteral("位置档“%1”中有 %2 行无法识别，已略过。").arg(name).arg(read.skippedLines),
                           messageTitle(), BoardServices::Buttons::Ok);
    }
}

BoardModel::SaveResult BoardModel::SaveDocument()
{
    const QString name = ChooseFile(PositionFilter(), true);
    if (name.isEmpty())
        return SaveResult::Cancelled;
    const FileResult saved = PositionFile::Save(pathFromPositionName(name), m_records);
    if (!saved) {
        m_services.message(QStringLiteral("无法保存位置档“%1”：%2").arg(name, saved.error), messageTitle(),
                           BoardServices::Buttons::Ok);
        return SaveResult::Failed;
    }
    setModified(false);
    return SaveResult::Saved;
}

void BoardModel::InsertForeground()
{
    if (m_count >= kMaxForegrounds) {
        m_services.message(QStringLiteral("前景图已达 %1 张，不能再插入。").arg(kMaxForegrounds), messageTitle(),
                           BoardServices::Buttons::Ok);
        return;
    }
    if (m_currentPictureFile.isEmpty()) {
        // No picture chosen yet (a position file was opened first).
        m_currentPictureFile = ChooseFile(PictureFilter(), false);
        if (m_currentPictureFile.isEmpty())
            return;
    }
    const int index = m_count;
    if (index > 0)
        m_slots.append(BoardSlot());
    BoardSlot &s = m_slots[index];
    if (index > 0) {
        s.width = 0;
        s.height = 0;
    }
    showPicture(index, m_currentPictureFile);
    s.left = 0;
    s.top = 0;
    PositionRecord record;
    record.FileName = m_currentPictureFile;
    m_records.append(record);
    m_current = index;
    RecordPosition(index);
    ++m_count;
    if (index > 0)
        emit slotAdded(index);
    else
        emit slotChanged(0);
}

void BoardModel::ChangeForeground()
{
    if (m_count == 0)
        return;
    const QString name = ChooseFile(PictureFilter(), false);
    if (name.isEmpty())
        return;
    m_currentPictureFile = name;
    showPicture(m_current, name);
    m_records[m_current].FileName = name;
    emit slotChanged(m_current);
    setModified(true);
}

void BoardModel::DeleteForeground()
{
    if (m_count <= 1)
        return;
    if (m_current < m_count - 1) {
        for (int j = m_current; j <= m_count - 2; ++j) {
            m_records[j] = m_records[j + 1];
            BoardSlot &s = m_slots[j];
            const BoardSlot &next = m_slots[j + 1];
            s.picture = next.picture;
            s.width = next.width;
            s.height = next.height;
            s.left = m_records[j].Left;
            s.top = m_records[j].Top;
            emit slotChanged(j);
        }
    } else {
        m_current = 0;
    }
    --m_count;
    removeLastSlot();
    m_records.removeLast();
    RecordPosition(m_current);
}

void BoardModel::pressForeground(int index, Qt::MouseButton button, double x, double y)
{
    if (index < 0 || index >= m_count || button != Qt::LeftButton)
        return;
    m_dragStartX = x;
    m_dragStartY = y;
    m_current = index;
}

void BoardModel::moveOverForeground(int index, Qt::MouseButtons buttons, double x, double y)
{
    if (index < 0 || index >= m_count || buttons != Qt::LeftButton)
        return;
    BoardSlot &s = m_slots[index];
    const double dx = x - m_dragStartX;
    const double dy = y - m_dragStartY;
    if (dx == 0 && dy == 0)
        return;
    s.left += dx;
    s.top += dy;
    emit slotChanged(index);
}

void BoardModel::releaseForeground(int index, Qt::MouseButton button, double, double)
{
    if (index < 0 || index >= m_count || button != Qt::LeftButton)
        return;
    RecordPosition(m_current);
}

} // namespace ptt

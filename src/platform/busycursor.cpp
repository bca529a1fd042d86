#include "busycursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace ptt {

BusyCursor::BusyCursor(qint64 pixels)
{
    if (pixels < kLongPixels || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_shown = true;
    // The operation keeps the event loop from running: hand the pointer to the
    // display now. Input waits, so nothing the user does starts meanwhile.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

BusyCursor::~BusyCursor()
{
    if (m_shown)
        QGuiApplication::restoreOverrideCursor();
}

} // namespace ptt

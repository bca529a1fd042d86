#pragma once
// A navigator for window tests: it records what a window asks for and shows
// no other window. For the crop tool it answers with cropTool (none by default).
#include "pageops/navigator.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace ptt::test {

class RecordingNavigator : public Navigator {
public:
    struct Request {
        QString window; // "main", "zoom", "crop", "freelayout", "map", "chessboard"
        QWidget *owner = nullptr;
        int frameLeft = -1; // where the crop tool was asked to stand, -1 for anywhere
        bool operator==(const Request &o) const
        {
            return window == o.window && owner == o.owner && frameLeft == o.frameLeft;
        }
    };

    RecordingNavigator() { Navigator::setInstance(this); }
    ~RecordingNavigator() override { Navigator::setInstance(nullptr); }

    void showMainWindow() override { m_requests.append({QStringLiteral("main"), nullptr}); }
    void showZoomViewer(QWidget *owner) override { m_requests.append({QStringLiteral("zoom"), owner}); }
    QWidget *showCropCapture(QWidget *owner) override
    {
        m_requests.append({QStringLiteral("crop"), owner});
        return cropTool;
    }
    QWidget *showCropCaptureAt(int frameLeft) override
    {
        m_requests.append({QStringLiteral("crop"), nullptr, frameLeft});
        return cropTool;
    }
    void showFreeLayout() override { m_requests.append({QStringLiteral("freelayout"), nullptr}); }
    void showMapWindow() override { m_requests.append({QStringLiteral("map"), nullptr}); }
    void showChessBoard() override { m_requests.append({QStringLiteral("chessboard"), nullptr}); }

    const QList<Request> &requests() const { return m_requests; }
    void clear() { m_requests.clear(); }

    QPointer<QWidget> cropTool;

private:
    QList<Request> m_requests;
};

} // namespace ptt::test

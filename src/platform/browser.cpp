#include "browser.h"

#include <QDesktopServices>

namespace ptt {

namespace {
std::function<void(const QUrl &)> &opener()
{
    static std::function<void(const QUrl &)> f;
    return f;
}
} // namespace

void setBrowserOpener(std::function<void(const QUrl &)> f)
{
    opener() = std::move(f);
}

void openInBrowser(const QUrl &url)
{
    if (opener())
        opener()(url);
    else
        QDesktopServices::openUrl(url);
}

} // namespace ptt

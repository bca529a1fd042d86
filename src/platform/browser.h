#pragma once
#include <QUrl>
#include <functional>

namespace ptt {

// Opens an address in the user's default browser. The result is not looked at.
void openInBrowser(const QUrl &url);

// Tests replace the browser with a recorder; an empty function restores it.
void setBrowserOpener(std::function<void(const QUrl &)> opener);

} // namespace ptt

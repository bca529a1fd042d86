#pragma once
// A screen grabber for tests: every grab returns the picture it holds, and the
// calls are counted. Install it with ScreenGrabber::setInstance.
#include "platform/screengrabber.h"

#include <functional>

namespace ptt::test {

class FixedGrabber : public ScreenGrabber {
public:
    DesktopGrab grab;
    int calls = 0;
    std::function<void()> whileGrabbing; // what the user does while the desktop answers
    DesktopGrab grabDesktop() override
    {
        ++calls;
        if (whileGrabbing)
            whileGrabbing();
        return grab;
    }
};

} // namespace ptt::test

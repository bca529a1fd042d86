#pragma once
// A screen grabber for tests: every grab returns the picture it holds, and the
// calls are counted. Install it with ScreenGrabber::setInstance.
#include "platform/screengrabber.h"

namespace ptt::test {

class FixedGrabber : public ScreenGrabber {
public:
    DesktopGrab grab;
    int calls = 0;
    DesktopGrab grabDesktop() override
    {
        ++calls;
        return grab;
    }
};

} // namespace ptt::test

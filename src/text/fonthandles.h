#pragma once
// Turned-font handles: our stand-in for the platform's font handles. A handle
// is a non-zero id naming a font built from a LogFontRecord; 0 is no font.
// Whoever builds a handle releases it. The registry counts the live handles
// and, when asked to, records builds and releases in order.
#include "logfontrecord.h"

#include <QFont>
#include <vector>

namespace ptt {

using FontHandle = int;

struct RotatedFont {
    LogFontRecord record;
    QFont font;       // unturned, pixel sized
    double angle = 0; // degrees counterclockwise
};

class FontHandles {
public:
    enum class EventKind { Built, Released, BuildFailed };
    struct Event {
        EventKind kind;
        FontHandle handle;
        bool operator==(const Event &o) const { return kind == o.kind && handle == o.handle; }
    };

    // Returns 0 when the font cannot be built. fullFace: see fontFromRecord.
    static FontHandle create(const LogFontRecord &record, const QString &fullFace = QString());
    // Releasing 0 or an unknown handle does nothing.
    static void release(FontHandle handle);
    // nullptr for 0 or a released handle.
    static const RotatedFont *find(FontHandle handle);
    static int liveCount();

    // For tests: the event log (off by default) and a forced build failure.
    static void setRecording(bool on);
    static const std::vector<Event> &events();
    static void clearEvents();
    static void setFailBuilds(bool fail);
};

} // namespace ptt

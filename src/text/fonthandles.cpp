#include "fonthandles.h"

#include <climits>
#include <map>

namespace ptt {

namespace {

struct Registry {
    std::map<FontHandle, RotatedFont> fonts;
    FontHandle nextId = 1;
    bool recording = false;
    bool failBuilds = false;
    std::vector<FontHandles::Event> events;

    void record(FontHandles::EventKind kind, FontHandle handle)
    {
        if (recording)
            events.push_back({kind, handle});
    }
};

Registry &registry()
{
    static Registry r;
    return r;
}

} // namespace

FontHandle FontHandles::create(const LogFontRecord &record, const QString &fullFace)
{
    Registry &r = registry();
    if (r.failBuilds) {
        r.record(EventKind::BuildFailed, 0);
        return 0;
    }
    // Ids are never 0 and not reused while live.
    while (r.nextId <= 0 || r.fonts.count(r.nextId))
        r.nextId = r.nextId >= INT_MAX || r.nextId <= 0 ? 1 : r.nextId + 1;
    const FontHandle id = r.nextId++;
    r.fonts.emplace(id, RotatedFont{record, fontFromRecord(record, fullFace), record.lfEscapement / 10.0});
    r.record(EventKind::Built, id);
    return id;
}

void FontHandles::release(FontHandle handle)
{
    Registry &r = registry();
    if (r.fonts.erase(handle))
        r.record(EventKind::Released, handle);
}

const RotatedFont *FontHandles::find(FontHandle handle)
{
    const auto &fonts = registry().fonts;
    const auto it = fonts.find(handle);
    return it == fonts.end() ? nullptr : &it->second;
}

int FontHandles::liveCount()
{
    return int(registry().fonts.size());
}

void FontHandles::setRecording(bool on)
{
    registry().recording = on;
}

const std::vector<FontHandles::Event> &FontHandles::events()
{
    return registry().events;
}

void FontHandles::clearEvents()
{
    registry().events.clear();
}

void FontHandles::setFailBuilds(bool fail)
{
    registry().failBuilds = fail;
}

} // namespace ptt

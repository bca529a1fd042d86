#pragma once
// The busy pointer while a page is made: an override cursor for the lifetime
// of the object, restored on every way out of the scope. Only work large
// enough to take about half a second or more shows it, so quick steps do not
// make the pointer flicker.
#include <QtGlobal>

namespace ptt {

class BusyCursor {
public:
    // Pixels of page an operation makes, from which on it counts as long:
    // filling, copying and tiling run at some tens of millions of pixels a
    // second on a modest machine.
    static constexpr qint64 kLongPixels = qint64(1) << 23;

    // pixels: the size of the page the operation makes or redraws.
    explicit BusyCursor(qint64 pixels);
    ~BusyCursor();
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

    bool shown() const { return m_shown; }

private:
    bool m_shown = false;
};

} // namespace ptt

#pragma once
// CLogFont: a font description plus an angle, turned into a font handle that
// draws at that angle. Owns the handle: it is released before another is
// built, when the font is set to none and when the object ends. Callers only
// borrow Handle() for the drawing of one stamp.
#include "fonthandles.h"

#include "formats/fontdesc.h"

#include <memory>
#include <optional>

namespace ptt {

class CLogFont {
public:
    CLogFont() = default;
    ~CLogFont();
    CLogFont(const CLogFont &) = delete;
    CLogFont &operator=(const CLogFont &) = delete;

    // Takes a private copy (nullptr / nullopt = none) and builds a new handle,
    // even when the font is unchanged.
    void setLogFont(const FontDesc *font);
    void setLogFont(const std::optional<FontDesc> &font);
    // The held copy itself, nullptr when none.
    const FontDesc *LogFont() const { return m_font.get(); }

    // Degrees counterclockwise. Setting the current value builds nothing.
    void setRotation(float degrees);
    float Rotation() const { return m_rotation; }

    // 0 when no font is held or the build failed.
    FontHandle Handle() const { return m_handle; }

    // The copy as the platform's font object makes it: setting Bold also
    // sets the weight, so Weight is copied last to keep the source's weight.
    static FontDesc copyFont(const FontDesc &source);

private:
    FontHandle CreateRotatedFont() const;
    void releaseHandle();

    std::unique_ptr<FontDesc> m_font;
    FontHandle m_handle = 0;
    float m_rotation = 0;
};

} // namespace ptt

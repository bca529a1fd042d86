#include "clogfont.h"

namespace ptt {

namespace {

// The property setters of the platform's font object: Bold and Weight are
// two views of one value.
void setBold(FontDesc &f, bool bold)
{
    f.bold = bold;
    f.weight = bold ? 700 : 400;
}

void setWeight(FontDesc &f, int weight)
{
    f.weight = weight;
    f.bold = weight >= 600;
}

} // namespace

CLogFont::~CLogFont()
{
    releaseHandle();
    m_font.reset();
}

FontDesc CLogFont::copyFont(const FontDesc &source)
{
    FontDesc copy;
    setBold(copy, source.bold);
    copy.charset = source.charset;
    copy.italic = source.italic;
    copy.name = source.name;
    copy.size = FontDesc::roundSize(source.size);
    copy.strikethrough = source.strikethrough;
    copy.underline = source.underline;
    setWeight(copy, source.weight);
    return copy;
}

void CLogFont::releaseHandle()
{
    if (m_handle != 0) {
        FontHandles::release(m_handle);
        m_handle = 0;
    }
}

void CLogFont::setLogFont(const FontDesc *font)
{
    releaseHandle();
    if (!font) {
        m_font.reset();
        return;
    }
    m_font = std::make_unique<FontDesc>(copyFont(*font));
    m_handle = CreateRotatedFont();
}

void CLogFont::setLogFont(const std::optional<FontDesc> &font)
{
    setLogFont(font ? &*font : nullptr);
}

void CLogFont::setRotation(float degrees)
{
    if (degrees == m_rotation)
        return;
    m_rotation = degrees;
    releaseHandle();
    if (m_font)
        m_handle = CreateRotatedFont();
}

FontHandle CLogFont::CreateRotatedFont() const
{
    const LogFontRecord record = makeLogFontRecord(*m_font, m_rotation, screenDpiY());
    return FontHandles::create(record, m_font->name);
}

} // namespace ptt

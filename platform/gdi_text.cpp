// Text through FreeType with the DejaVu Sans family.
//
// Glyphs are hinted and rendered with 8-bit grey coverage, then blended from the
// destination toward the text colour (full coverage gives exactly the text colour).
// Advances are whole pixels per glyph and no kerning is applied, as ExtTextOut does.
//
// Sizes follow Windows' mapping: lfHeight < 0 asks for that em height in pixels,
// lfHeight > 0 for that cell height (ascent + descent from the OS/2 win metrics), and 0
// for a 16-pixel cell. tmAscent/tmDescent come from usWinAscent/usWinDescent,
// tmInternalLeading is the cell height less the em height, tmExternalLeading is the
// hhea line gap not already inside the win metrics.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "platform/gdi_internal.h"

#ifndef QARN_DEFAULT_FONT_FILE
#define QARN_DEFAULT_FONT_FILE "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
#endif

namespace qarn::gdi {

struct Glyph {
  int left = 0, top = 0, width = 0, rows = 0, advance = 0;
  std::vector<uint8_t> coverage;
};

struct FontInstance {
  FT_Face face = nullptr;
  bool ok = false;
  TEXTMETRICA tm{};
  int underlinePos = 1, underlineThickness = 1, strikePos = 0;
  std::array<std::unique_ptr<Glyph>, 256> glyphs;
  ~FontInstance() {
    if (face) FT_Done_Face(face);
  }
};

namespace {

FT_Library Library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) l = nullptr;
    return l;
  }();
  return lib;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

std::string FontFile(bool bold, bool italic) {
  std::string regular = QARN_DEFAULT_FONT_FILE;
  if (!bold && !italic) return regular;
  std::string suffix = bold && italic ? "-BoldOblique.ttf" : bold ? "-Bold.ttf" : "-Oblique.ttf";
  std::string path = regular;
  size_t dot = path.rfind(".ttf");
  if (dot == std::string::npos) return regular;
  path.replace(dot, 4, suffix);
  return FileExists(path) ? path : regular;
}

// The ANSI code page's 0x80-0x9F block; the rest of the bytes are Latin-1.
FT_ULong CodePoint(unsigned char c) {
  static const uint16_t block[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                     0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
  return c >= 0x80 && c <= 0x9F ? block[c - 0x80] : c;
}

long Round(double v) { return static_cast<long>(std::lround(v)); }

std::shared_ptr<FontInstance> MakeInstance(const LOGFONTA& lf) {
  auto inst = std::make_shared<FontInstance>();
  bool bold = lf.lfWeight >= 600;
  bool italic = lf.lfItalic != 0;
  FT_Library lib = Library();
  if (!lib || FT_New_Face(lib, FontFile(bold, italic).c_str(), 0, &inst->face) != 0) {
    inst->face = nullptr;
    return inst;
  }
  FT_Face face = inst->face;
  double upm = face->units_per_EM ? face->units_per_EM : 2048;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  double winAscent = os2 ? os2->usWinAscent : face->ascender;
  double winDescent = os2 ? os2->usWinDescent : -face->descender;
  double cellUnits = std::max(winAscent + winDescent, 1.0);

  // Heights beyond this are drawn at it: glyph bitmaps and metrics stay bounded
  // whatever size a stored font asks for.
  constexpr LONG kMaxHeight = 2048;
  LONG requested = lf.lfHeight == 0 ? 16 : std::clamp<LONG>(lf.lfHeight, -kMaxHeight, kMaxHeight);
  double em;
  long ascent, descent;
  if (requested > 0) {
    em = requested * upm / cellUnits;
    ascent = Round(requested * winAscent / cellUnits);
    descent = requested - ascent;
  } else {
    em = -static_cast<double>(requested);
    ascent = Round(winAscent * em / upm);
    descent = Round(winDescent * em / upm);
  }
  if (em < 1) em = 1;
  FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(em * 64)), 72, 72);
  double scale = em / upm;

  TEXTMETRICA& tm = inst->tm;
  tm.tmAscent = ascent;
  tm.tmDescent = descent;
  tm.tmHeight = ascent + descent;
  tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - static_cast<LONG>(std::lround(em)));
  double lineGap = hhea ? hhea->Line_Gap : 0;
  double hheaSpan = hhea ? hhea->Ascender - hhea->Descender : cellUnits;
  tm.tmExternalLeading = std::max<LONG>(0, Round((lineGap - (cellUnits - hheaSpan)) * scale));
  tm.tmAveCharWidth = os2 ? Round(os2->xAvgCharWidth * scale) : Round(em / 2);
  tm.tmMaxCharWidth = hhea ? Round(hhea->advance_Width_Max * scale) : Round(em);
  tm.tmWeight = lf.lfWeight == 0 ? FW_NORMAL : lf.lfWeight;
  tm.tmOverhang = 0;
  tm.tmDigitizedAspectX = 96;
  tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = 32;
  tm.tmLastChar = 255;
  tm.tmDefaultChar = 31;
  tm.tmBreakChar = 32;
  tm.tmItalic = italic ? 255 : 0;
  tm.tmUnderlined = lf.lfUnderline ? 255 : 0;
  tm.tmStruckOut = lf.lfStrikeOut ? 255 : 0;
  // Variable pitch (the bit is set for it), vector, TrueType, Swiss family.
  tm.tmPitchAndFamily = 0x01 | 0x02 | 0x04 | FF_SWISS;
  tm.tmCharSet = ANSI_CHARSET;
  inst->underlinePos = std::max<long>(1, Round(-face->underline_position * scale));
  inst->underlineThickness = std::max<long>(1, Round(face->underline_thickness * scale));
  inst->strikePos = std::max<long>(1, Round(tm.tmAscent * 0.3));
  inst->ok = true;
  return inst;
}

FontInstance* Realize(Font* font) {
  if (!font) font = DefaultFont();
  if (!font->instance) {
    // Fonts asking for the same face and size share one rendering.
    static auto* shared = new std::map<std::string, std::shared_ptr<FontInstance>>();
    const LOGFONTA& lf = font->logfont;
    std::string key = std::to_string(lf.lfHeight) + "/" + std::to_string(lf.lfWeight >= 600) + "/" +
                      std::to_string(lf.lfItalic != 0) + "/" + std::to_string(lf.lfUnderline != 0) + "/" +
                      std::to_string(lf.lfStrikeOut != 0);
    auto& slot = (*shared)[key];
    if (!slot) slot = MakeInstance(lf);
    font->instance = slot;
  }
  return font->instance->ok ? font->instance.get() : nullptr;
}

const Glyph& GlyphOf(FontInstance& inst, unsigned char c) {
  auto& slot = inst.glyphs[c];
  if (slot) return *slot;
  slot = std::make_unique<Glyph>();
  FT_UInt index = FT_Get_Char_Index(inst.face, CodePoint(c));
  if (FT_Load_Glyph(inst.face, index, FT_LOAD_DEFAULT) != 0) return *slot;
  FT_GlyphSlot g = inst.face->glyph;
  slot->advance = static_cast<int>((g->advance.x + 32) >> 6);
  if (FT_Render_Glyph(g, FT_RENDER_MODE_NORMAL) != 0) return *slot;
  const FT_Bitmap& bm = g->bitmap;
  slot->left = g->bitmap_left;
  slot->top = g->bitmap_top;
  slot->width = static_cast<int>(bm.width);
  slot->rows = static_cast<int>(bm.rows);
  slot->coverage.resize(static_cast<size_t>(slot->width) * slot->rows);
  for (int y = 0; y < slot->rows; ++y)
    for (int x = 0; x < slot->width; ++x)
      slot->coverage[static_cast<size_t>(y) * slot->width + x] = bm.buffer[y * bm.pitch + x];
  return *slot;
}

uint32_t Blend(uint32_t dst, uint32_t src, unsigned a) {
  if (a >= 255) return src;
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    unsigned d = (dst >> shift) & 0xFF, s = (src >> shift) & 0xFF;
    out |= ((d * (255 - a) + s * a + 127) / 255) << shift;
  }
  return out;
}

RECT Intersect(const RECT& a, const RECT& b) {
  return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

void FillClipped(RasterSurface& s, const RECT& r, const RECT& clip, uint32_t color) {
  RECT c = Intersect(r, clip);
  s.FillRect(c.left, c.top, c.right, c.bottom, color);
}

}  // namespace
}  // namespace qarn::gdi

using namespace qarn::gdi;

BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count, const INT* dx) {
  Dc* dc = LookupDc(hdc);
  RasterSurface* s = dc ? SurfaceOf(*dc) : nullptr;
  if (!s || (count > 0 && !text)) return FALSE;
  FontInstance* inst = count > 0 ? Realize(dc->font) : nullptr;
  if (count > 0 && !inst) return FALSE;

  RECT clip{0, 0, s->Width(), s->Height()};
  if ((options & ETO_CLIPPED) && rect) clip = Intersect(clip, *rect);
  if ((options & ETO_OPAQUE) && rect) {
    FillClipped(*s, *rect, RECT{0, 0, s->Width(), s->Height()}, RasterSurface::FromColorRef(dc->bkColor));
  }
  if (count == 0) return TRUE;

  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  std::vector<int> advances(count);
  long width = 0;
  for (UINT i = 0; i < count; ++i) {
    advances[i] = dx ? dx[i] : GlyphOf(*inst, bytes[i]).advance;
    width += advances[i];
  }
  bool useCp = (dc->textAlign & TA_UPDATECP) != 0;
  long refX = useCp ? dc->current.x : x, refY = useCp ? dc->current.y : y;
  long startX = refX;
  UINT horizontal = dc->textAlign & TA_CENTER;
  if (horizontal == TA_CENTER)
    startX = refX - width / 2;
  else if (horizontal == TA_RIGHT)
    startX = refX - width;
  long baseline;
  if ((dc->textAlign & TA_BASELINE) == TA_BASELINE)
    baseline = refY;
  else if (dc->textAlign & TA_BOTTOM)
    baseline = refY - inst->tm.tmDescent;
  else
    baseline = refY + inst->tm.tmAscent;
  if (useCp) {
    if (horizontal == TA_RIGHT)
      dc->current.x = startX;
    else if (horizontal != TA_CENTER)
      dc->current.x = startX + width;
  }

  if (dc->bkMode == OPAQUE) {
    RECT cell{static_cast<LONG>(startX), static_cast<LONG>(baseline - inst->tm.tmAscent),
              static_cast<LONG>(startX + width), static_cast<LONG>(baseline + inst->tm.tmDescent)};
    FillClipped(*s, cell, clip, RasterSurface::FromColorRef(dc->bkColor));
  }

  uint32_t color = RasterSurface::FromColorRef(dc->textColor);
  long penX = startX;
  for (UINT i = 0; i < count; ++i) {
    const Glyph& g = GlyphOf(*inst, bytes[i]);
    long gx = penX + g.left, gy = baseline - g.top;
    for (int row = 0; row < g.rows; ++row) {
      long py = gy + row;
      if (py < clip.top || py >= clip.bottom) continue;
      uint32_t* line = s->Row(static_cast<int>(py));
      for (int col = 0; col < g.width; ++col) {
        long px = gx + col;
        if (px < clip.left || px >= clip.right) continue;
        unsigned a = g.coverage[static_cast<size_t>(row) * g.width + col];
        if (a) line[px] = s->Quantize(Blend(line[px], color, a));
      }
    }
    penX += advances[i];
  }
  if (inst->tm.tmUnderlined) {
    long top = baseline + inst->underlinePos;
    FillClipped(*s, RECT{static_cast<LONG>(startX), static_cast<LONG>(top), static_cast<LONG>(startX + width),
                         static_cast<LONG>(top + inst->underlineThickness)},
                clip, color);
  }
  if (inst->tm.tmStruckOut) {
    long top = baseline - inst->strikePos;
    FillClipped(*s, RECT{static_cast<LONG>(startX), static_cast<LONG>(top), static_cast<LONG>(startX + width),
                         static_cast<LONG>(top + inst->underlineThickness)},
                clip, color);
  }
  return TRUE;
}

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int count) {
  if (count < 0) return FALSE;
  return ExtTextOutA(hdc, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}

BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA metrics) {
  Dc* dc = LookupDc(hdc);
  if (!dc || !metrics) return FALSE;
  FontInstance* inst = Realize(dc->font);
  if (!inst) return FALSE;
  *metrics = inst->tm;
  return TRUE;
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, SIZE* size) {
  Dc* dc = LookupDc(hdc);
  if (!dc || !size || count < 0 || (count > 0 && !text)) return FALSE;
  FontInstance* inst = Realize(dc->font);
  if (!inst) return FALSE;
  long width = 0;
  for (int i = 0; i < count; ++i) width += GlyphOf(*inst, static_cast<unsigned char>(text[i])).advance;
  size->cx = width;
  size->cy = inst->tm.tmHeight;
  return TRUE;
}

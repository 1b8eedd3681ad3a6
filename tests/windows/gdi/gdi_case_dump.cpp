#include "gdi_case_dump.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "gdi_cases.h"

namespace gditest {
namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kGreen = RGB(0, 160, 0);

char Classify(COLORREF c) {
  if (c == kWhite) return '.';
  if (c == kRed) return 'p';
  if (c == kGreen) return 'f';
  if (c == kBlue) return 'b';
  if (c == RGB(0, 0, 0)) return 'k';
  return '#';
}

DumpedCase Snapshot(const std::string& name, const Canvas& canvas) {
  DumpedCase d;
  d.name = name;
  d.width = canvas.width();
  d.height = canvas.height();
  for (int y = 0; y < canvas.height(); ++y) {
    std::string row;
    for (int x = 0; x < canvas.width(); ++x) row += Classify(canvas.At(x, y));
    d.picture.push_back(row);
  }
  return d;
}

// Selects a pen (and optionally a brush) for the life of a scope.
class Tools {
 public:
  Tools(HDC dc, int penStyle, int penWidth, COLORREF penColor, HGDIOBJ brush = nullptr) : m_dc(dc) {
    m_pen = penStyle == PS_NULL ? nullptr : CreatePen(penStyle, penWidth, penColor);
    m_oldPen = SelectObject(dc, m_pen ? static_cast<HGDIOBJ>(m_pen) : GetStockObject(NULL_PEN));
    if (brush) m_oldBrush = SelectObject(dc, brush);
  }
  ~Tools() {
    SelectObject(m_dc, m_oldPen);
    if (m_oldBrush) SelectObject(m_dc, m_oldBrush);
    if (m_pen) DeleteObject(m_pen);
  }
  Tools(const Tools&) = delete;
  Tools& operator=(const Tools&) = delete;

 private:
  HDC m_dc;
  HPEN m_pen = nullptr;
  HGDIOBJ m_oldPen = nullptr;
  HGDIOBJ m_oldBrush = nullptr;
};

std::string SizeName(EllipseSize s) { return std::to_string(s.width) + "x" + std::to_string(s.height); }

void DrawLines(std::vector<DumpedCase>& out) {
  for (const LineCase& c : LineCases()) {
    Canvas canvas(20, 20);
    Tools tools(canvas.dc(), PS_SOLID, 1, kRed);
    MoveToEx(canvas.dc(), c.from.x, c.from.y, NULL);
    LineTo(canvas.dc(), c.to.x, c.to.y);
    out.push_back(Snapshot(std::string("line ") + c.name, canvas));
  }
  // An outline's sides as one Polyline and as a LineTo each: one-pixel steps, half-way
  // ties, a long side and a turn back over its own pixels light the same pixels.
  const POINT chain[] = {{1, 1}, {2, 1}, {3, 2}, {7, 4}, {8, 4}, {8, 5}, {4, 9}, {2, 6}, {2, 5}, {12, 5}, {5, 5}};
  for (bool polyline : {false, true}) {
    Canvas canvas(14, 11);
    Tools tools(canvas.dc(), PS_SOLID, 1, kRed);
    if (polyline) {
      Polyline(canvas.dc(), chain, static_cast<int>(std::size(chain)));
    } else {
      MoveToEx(canvas.dc(), chain[0].x, chain[0].y, NULL);
      for (size_t i = 1; i < std::size(chain); ++i) LineTo(canvas.dc(), chain[i].x, chain[i].y);
    }
    out.push_back(Snapshot(polyline ? "solid one polyline" : "solid lineto calls", canvas));
  }
}

void DrawRops(std::vector<DumpedCase>& out) {
  for (const RopCase& c : RopCases()) {
    Canvas canvas(4, 1);
    canvas.Clear(c.destination);
    SetROP2(canvas.dc(), c.rop2);
    Tools tools(canvas.dc(), PS_SOLID, 1, c.pen);
    MoveToEx(canvas.dc(), 0, 0, NULL);
    LineTo(canvas.dc(), 4, 0);
    DumpedCase d = Snapshot(std::string("rop ") + c.name, canvas);
    d.notes.push_back("pixel 2 0 " + Hex(canvas.At(2, 0)));
    out.push_back(d);
  }
}

void DrawDots(std::vector<DumpedCase>& out) {
  for (const DotCase& c : DotCases()) {
    Canvas canvas(16, 12);
    SetBkMode(canvas.dc(), c.bkMode);
    SetBkColor(canvas.dc(), kBlue);
    Tools tools(canvas.dc(), PS_DOT, 1, kRed);
    MoveToEx(canvas.dc(), c.from.x, c.from.y, NULL);
    LineTo(canvas.dc(), c.to.x, c.to.y);
    out.push_back(Snapshot(std::string("dot ") + c.name, canvas));
  }
  for (bool polyline : {false, true}) {
    Canvas canvas(14, 3);
    SetBkColor(canvas.dc(), kBlue);
    Tools tools(canvas.dc(), PS_DOT, 1, kRed);
    POINT points[] = {{0, 1}, {4, 1}, {12, 1}};
    if (polyline) {
      Polyline(canvas.dc(), points, 3);
    } else {
      MoveToEx(canvas.dc(), 0, 1, NULL);
      LineTo(canvas.dc(), 4, 1);
      LineTo(canvas.dc(), 12, 1);
    }
    out.push_back(Snapshot(polyline ? "dot one polyline" : "dot two lineto calls", canvas));
  }
}

void DrawRects(std::vector<DumpedCase>& out) {
  for (const RectCase& c : FillRectCases()) {
    Canvas canvas(16, 16);
    HBRUSH brush = CreateSolidBrush(kGreen);
    SetROP2(canvas.dc(), R2_XORPEN);
    FillRect(canvas.dc(), &c.rect, brush);
    DeleteObject(brush);
    out.push_back(Snapshot(std::string("fillrect ") + c.name, canvas));
  }
  // With both tools, as a frame without a fill (the reference host's vertex marks), and
  // with the null pen, which fills one pixel less to the right and below.
  HBRUSH brush = CreateSolidBrush(kGreen);
  const struct {
    const char* name;
    int penStyle;
    HGDIOBJ brush;
  } rectangles[] = {{"rectangle pen and brush", PS_SOLID, brush},
                    {"rectangle pen, null brush", PS_SOLID, GetStockObject(NULL_BRUSH)},
                    {"rectangle null pen, brush", PS_NULL, brush}};
  for (const auto& r : rectangles) {
    Canvas canvas(12, 12);
    {
      Tools tools(canvas.dc(), r.penStyle, 1, kRed, r.brush);
      Rectangle(canvas.dc(), 2, 3, 9, 10);
    }
    out.push_back(Snapshot(r.name, canvas));
  }
  DeleteObject(brush);
}

void DrawEllipses(std::vector<DumpedCase>& out) {
  const int margin = 3;
  for (EllipseSize s : EllipseSizes()) {
    int l = margin, t = margin, r = margin + s.width, b = margin + s.height;
    {
      Canvas canvas(s.width + 2 * margin, s.height + 2 * margin);
      HBRUSH brush = CreateSolidBrush(kGreen);
      {
        Tools tools(canvas.dc(), PS_SOLID, 1, kRed, brush);
        Ellipse(canvas.dc(), l, t, r, b);
      }
      DeleteObject(brush);
      out.push_back(Snapshot("ellipse " + SizeName(s), canvas));
    }
    {
      Canvas canvas(s.width + 2 * margin, s.height + 2 * margin);
      HBRUSH brush = CreateSolidBrush(kGreen);
      {
        Tools tools(canvas.dc(), PS_NULL, 0, 0, brush);
        Ellipse(canvas.dc(), l, t, r, b);
      }
      DeleteObject(brush);
      out.push_back(Snapshot("ellipse null pen " + SizeName(s), canvas));
    }
    {
      Canvas canvas(s.width + 2 * margin, s.height + 2 * margin);
      Tools tools(canvas.dc(), PS_SOLID, 1, kRed);
      Arc(canvas.dc(), l, t, r, b, r + 5, t + 1, r + 5, t + 1);
      out.push_back(Snapshot("arc full " + SizeName(s), canvas));
    }
  }
  struct Partial {
    const char* name;
    POINT start, end;
  } partials[] = {
      {"right to left over the top", {30, 10}, {-10, 10}},
      {"left to right under the bottom", {-10, 10}, {30, 10}},
      {"quarter top-left", {10, -5}, {-5, 10}},
  };
  for (const Partial& p : partials) {
    Canvas canvas(24, 24);
    Tools tools(canvas.dc(), PS_SOLID, 1, kRed);
    Arc(canvas.dc(), 0, 0, 21, 21, p.start.x, p.start.y, p.end.x, p.end.y);
    out.push_back(Snapshot(std::string("arc ") + p.name, canvas));
  }
  // Arcs between rays in every direction over boxes of many shapes, from a fixed seed:
  // which point of the outline each ray picks is where arc rules go wrong.
  uint32_t seed = 1;
  auto next = [&](int lo, int hi) {
    seed = seed * 1664525u + 1013904223u;
    return lo + static_cast<int>((seed >> 8) % static_cast<uint32_t>(hi - lo + 1));
  };
  for (int i = 0; i < 40; ++i) {
    EllipseSize s{next(1, 24), next(1, 24)};
    POINT start{next(-4, s.width + 10), next(-4, s.height + 10)}, end{next(-4, s.width + 10), next(-4, s.height + 10)};
    Canvas canvas(s.width + 2 * margin, s.height + 2 * margin);
    Tools tools(canvas.dc(), PS_SOLID, 1, kRed);
    Arc(canvas.dc(), margin, margin, margin + s.width, margin + s.height, start.x, start.y, end.x, end.y);
    std::string name = "arc seeded ";  // appended piece by piece: GCC 12 warns falsely (-Wrestrict)
    name += std::to_string(i);
    name += ' ';
    name += SizeName(s);
    out.push_back(Snapshot(name, canvas));
  }
}

void DrawXorTwice(std::vector<DumpedCase>& out) {
  Canvas canvas(32, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) SetPixel(canvas.dc(), x, y, RGB(x * 8, y * 8, (x ^ y) * 8));
  std::vector<COLORREF> before;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) before.push_back(canvas.At(x, y));
  SetROP2(canvas.dc(), R2_XORPEN);
  {
    Tools tools(canvas.dc(), PS_SOLID, 1, RGB(0x5A, 0xA5, 0xFF), GetStockObject(NULL_BRUSH));
    for (int pass = 0; pass < 2; ++pass) {
      MoveToEx(canvas.dc(), 1, 1, NULL);
      LineTo(canvas.dc(), 30, 17);
      LineTo(canvas.dc(), 3, 29);
      LineTo(canvas.dc(), 1, 1);
      Ellipse(canvas.dc(), 4, 4, 27, 19);
    }
  }
  DumpedCase d;
  d.name = "xor twice";
  d.width = d.height = 32;
  for (int y = 0; y < 32; ++y) {
    std::string row;
    for (int x = 0; x < 32; ++x) row += canvas.At(x, y) == before[y * 32 + x] ? '.' : 'x';
    d.picture.push_back(row);
  }
  out.push_back(d);
}

}  // namespace

std::vector<DumpedCase> DrawAllCases() {
  std::vector<DumpedCase> out;
  DrawLines(out);
  DrawRops(out);
  DrawDots(out);
  DrawRects(out);
  DrawEllipses(out);
  DrawXorTwice(out);
  return out;
}

std::string DumpFileName(const std::string& caseName) {
  std::string s;
  for (char c : caseName) {
    if (c == ' ') s += '_';
    else if (c == '/') s += '-';
    else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_') s += c;
  }
  return s;
}

std::string FormatDump(const DumpedCase& c) {
  std::ostringstream s;
  s << "case " << c.name << "\n";
  s << "size " << c.width << " " << c.height << "\n";
  for (const std::string& n : c.notes) s << n << "\n";
  for (const std::string& r : c.picture) s << "row " << r << "\n";
  return s.str();
}

bool WriteDumps(const std::string& dir, const std::vector<DumpedCase>& cases) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) return false;
  std::ofstream index(dir + "/index.txt", std::ios::binary);
  if (!index) return false;
  for (const DumpedCase& c : cases) {
    std::string file = DumpFileName(c.name) + ".txt";
    std::ofstream f(dir + "/" + file, std::ios::binary);
    f << FormatDump(c);
    if (!f) return false;
    index << file << "\n";
  }
  return static_cast<bool>(index);
}

}  // namespace gditest

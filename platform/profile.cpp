#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Names compare without regard to ASCII case, as Windows' profile functions do.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

enum class LineKind { Other, Section, Key };

struct Line {
  std::string text;  // without its line end
  std::string end;   // "\r\n", "\n", "\r" or "" for a last line without one
  LineKind kind = LineKind::Other;
  std::string_view name;   // section or key name, trimmed (views into text)
  std::string_view value;  // key value, trimmed, quotes still on
};

Line NewLine(std::string text) {
  Line line;
  line.text = std::move(text);
  line.end = "\r\n";
  return line;
}

void Classify(Line& line) {
  // A NUL ends the text a narrow-string reader would see; bytes after it still round-trip.
  std::string_view visible(line.text.data(), strnlen(line.text.data(), line.text.size()));
  std::string_view t = Trim(visible);
  if (!t.empty() && t.front() == '[') {
    std::string_view inner = t.substr(1);
    size_t close = inner.find(']');
    if (close != std::string_view::npos) inner = inner.substr(0, close);
    line.kind = LineKind::Section;
    line.name = Trim(inner);
    return;
  }
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) return;
  line.kind = LineKind::Key;
  line.name = Trim(t.substr(0, eq));
  line.value = Trim(t.substr(eq + 1));
}

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t stop = pos;
    while (stop < text.size() && text[stop] != '\r' && text[stop] != '\n') ++stop;
    Line line;
    line.text.assign(text.substr(pos, stop - pos));
    if (stop < text.size()) {
      size_t endLen = (text[stop] == '\r' && stop + 1 < text.size() && text[stop + 1] == '\n') ? 2 : 1;
      line.end.assign(text.substr(stop, endLen));
      stop += endLen;
    }
    lines.push_back(std::move(line));
    pos = stop;
  }
  // Views point into each line's own string, so classify once the vector is final.
  for (Line& line : lines) Classify(line);
  return lines;
}

std::string JoinLines(const std::vector<Line>& lines) {
  std::string out;
  for (const Line& line : lines) {
    out += line.text;
    out += line.end;
  }
  return out;
}

// Index of the first header naming `section`, or -1.
long FindSection(const std::vector<Line>& lines, std::string_view section) {
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i].kind == LineKind::Section && SameName(lines[i].name, section)) return static_cast<long>(i);
  return -1;
}

// One past the last line of the section whose header is at `header`.
size_t SectionEnd(const std::vector<Line>& lines, size_t header) {
  size_t i = header + 1;
  while (i < lines.size() && lines[i].kind != LineKind::Section) ++i;
  return i;
}

long FindKey(const std::vector<Line>& lines, size_t header, std::string_view key) {
  size_t end = SectionEnd(lines, header);
  for (size_t i = header + 1; i < end; ++i)
    if (lines[i].kind == LineKind::Key && SameName(lines[i].name, key)) return static_cast<long>(i);
  return -1;
}

std::string_view Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

DWORD CopyString(std::string_view s, LPSTR buf, DWORD size) {
  if (!buf || size == 0) return 0;
  size_t n = s.size() < size - 1 ? s.size() : size - 1;
  if (n) std::memcpy(buf, s.data(), n);
  buf[n] = '\0';
  return static_cast<DWORD>(n);
}

// A list of NUL-terminated strings ended by an extra NUL; when cut, two NULs end it.
DWORD CopyList(const std::vector<std::string_view>& items, LPSTR buf, DWORD size) {
  if (!buf || size == 0) return 0;
  if (size == 1) {
    buf[0] = '\0';
    return 0;
  }
  size_t total = 0;
  for (std::string_view s : items) total += s.size() + 1;
  if (total + 1 <= size) {
    size_t pos = 0;
    for (std::string_view s : items) {
      if (!s.empty()) std::memcpy(buf + pos, s.data(), s.size());
      pos += s.size();
      buf[pos++] = '\0';
    }
    buf[pos] = '\0';
    if (items.empty()) buf[1] = '\0';
    return static_cast<DWORD>(pos);
  }
  size_t room = size - 2;
  size_t pos = 0;
  for (std::string_view s : items) {
    if (pos >= room) break;
    size_t n = s.size() < room - pos ? s.size() : room - pos;
    if (n) std::memcpy(buf + pos, s.data(), n);
    pos += n;
    if (pos < room) buf[pos++] = '\0';
  }
  buf[room] = '\0';
  buf[room + 1] = '\0';
  return static_cast<DWORD>(room);
}

// An empty name would read as the end of the list, so lists leave it out.
void AddUnique(std::vector<std::string_view>& list, std::string_view name) {
  if (name.empty()) return;
  for (std::string_view seen : list)
    if (SameName(seen, name)) return;
  list.push_back(name);
}

DWORD Lookup(std::string_view text, LPCSTR section, LPCSTR key, LPCSTR deflt, LPSTR buf, DWORD size) {
  std::vector<Line> lines = SplitLines(text);
  if (!section) {
    std::vector<std::string_view> names;
    for (const Line& line : lines)
      if (line.kind == LineKind::Section) AddUnique(names, line.name);
    return CopyList(names, buf, size);
  }
  long header = FindSection(lines, Trim(section));
  if (!key) {
    std::vector<std::string_view> keys;
    if (header >= 0) {
      size_t end = SectionEnd(lines, static_cast<size_t>(header));
      for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i)
        if (lines[i].kind == LineKind::Key) AddUnique(keys, lines[i].name);
    }
    return CopyList(keys, buf, size);
  }
  if (header >= 0) {
    long at = FindKey(lines, static_cast<size_t>(header), Trim(key));
    if (at >= 0) return CopyString(Unquote(lines[static_cast<size_t>(at)].value), buf, size);
  }
  return CopyString(TrimRight(deflt ? deflt : ""), buf, size);
}

bool ReadWholeFile(const char* path, std::string& out, bool& exists) {
  out.clear();
  exists = false;
  // Non-blocking, so that a pipe is refused at once instead of waiting for a writer.
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return false;
  }
  exists = true;
  char chunk[65536];
  for (;;) {
    ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      close(fd);
      return false;
    }
    if (got == 0) break;
    out.append(chunk, static_cast<size_t>(got));
  }
  close(fd);
  return true;
}

bool WriteWholeFile(const char* path, const std::string& text) {
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < text.size()) {
    ssize_t put = write(fd, text.data() + done, text.size() - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      close(fd);
      return false;
    }
    done += static_cast<size_t>(put);
  }
  return close(fd) == 0;
}

bool IsBlankLine(const Line& line) { return Trim(line.text).empty(); }

}  // namespace

DWORD QarnProfileStringFromText(const char* text, size_t length, LPCSTR section, LPCSTR key, LPCSTR deflt,
                                LPSTR buf, DWORD size) {
  return Lookup(std::string_view(text ? text : "", text ? length : 0), section, key, deflt, buf, size);
}

bool QarnProfileEditText(std::string& text, LPCSTR section, LPCSTR key, LPCSTR value) {
  if (!section) return false;
  std::vector<Line> lines = SplitLines(text);
  long header = FindSection(lines, Trim(section));

  if (!key) {
    if (header < 0) return false;
    size_t end = SectionEnd(lines, static_cast<size_t>(header));
    lines.erase(lines.begin() + header, lines.begin() + static_cast<long>(end));
    text = JoinLines(lines);
    return true;
  }

  long at = header >= 0 ? FindKey(lines, static_cast<size_t>(header), Trim(key)) : -1;
  if (!value) {
    if (at < 0) return false;
    lines.erase(lines.begin() + at);
    text = JoinLines(lines);
    return true;
  }

  // Text appended where the last line has no line end must start on a line of its own.
  auto endLastLine = [&](size_t index) {
    if (index < lines.size() && lines[index].end.empty()) lines[index].end = "\r\n";
  };

  if (at >= 0) {
    Line& line = lines[static_cast<size_t>(at)];
    std::string keep(line.name);  // the file's own spelling of the key stays
    line.text = keep + "=" + value;
  } else if (header >= 0) {
    size_t end = SectionEnd(lines, static_cast<size_t>(header));
    size_t last = static_cast<size_t>(header);
    for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i)
      if (!IsBlankLine(lines[i])) last = i;
    endLastLine(last);
    lines.insert(lines.begin() + static_cast<long>(last) + 1, NewLine(std::string(Trim(key)) + "=" + value));
  } else {
    if (!lines.empty()) {
      endLastLine(lines.size() - 1);
      // A blank line sets the new section apart from what comes before it.
      if (!IsBlankLine(lines.back())) lines.push_back(NewLine(""));
    }
    lines.push_back(NewLine("[" + std::string(Trim(section)) + "]"));
    lines.push_back(NewLine(std::string(Trim(key)) + "=" + value));
  }
  std::string updated = JoinLines(lines);
  if (updated == text) return false;
  text.swap(updated);
  return true;
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file) {
  if (!file || !*file || !section) return FALSE;
  struct stat st;
  if (stat(file, &st) == 0) {
    if (!S_ISREG(st.st_mode)) return FALSE;
    // Windows' read-only attribute corresponds to a missing owner write bit; checked
    // here because root could otherwise write through it.
    if (!(st.st_mode & S_IWUSR)) return FALSE;
  }
  std::string text;
  bool exists = false;
  if (!ReadWholeFile(file, text, exists)) return FALSE;
  if (!value || !key) {
    // Deleting what is not there succeeds without touching (or creating) the file.
    if (!QarnProfileEditText(text, section, key, value)) return TRUE;
    return WriteWholeFile(file, text) ? TRUE : FALSE;
  }
  bool changed = QarnProfileEditText(text, section, key, value);
  if (!changed && exists) return TRUE;
  return WriteWholeFile(file, text) ? TRUE : FALSE;
}

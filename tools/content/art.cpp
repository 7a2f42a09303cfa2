#include "art.h"

#include <stdio.h>

#include <fstream>
#include <sstream>

bool ArtBook::Read(const std::string& path) {
  std::ifstream in(path);
  if (!in) {
    fprintf(stderr, "%s: cannot read\n", path.c_str());
    return false;
  }
  std::string line;
  int number = 0;
  auto fail = [&](const char* what) {
    fprintf(stderr, "%s:%d: %s\n", path.c_str(), number, what);
    return false;
  };
  while (std::getline(in, line)) {
    ++number;
    std::istringstream words(line);
    std::string keyword, name, base;
    words >> keyword >> name >> base;
    if (keyword.empty() || keyword[0] == '#') continue;
    if (keyword == "palette") {
      std::map<char, Rgb> colours;
      if (!base.empty()) {
        if (!palettes_.count(base)) return fail("unknown base palette");
        colours = palettes_[base];
      }
      while (std::getline(in, line)) {
        ++number;
        std::istringstream entry(line);
        std::string letter;
        int r, g, b;
        if (!(entry >> letter)) continue;
        if (letter == "end") break;
        if (letter.size() != 1 || letter == "." || !(entry >> r >> g >> b)) return fail("bad colour");
        colours[letter[0]] = Rgb{uint8_t(r), uint8_t(g), uint8_t(b)};
      }
      palettes_[name] = colours;
    } else if (keyword == "image") {
      Drawing drawing;
      drawing.palette = base;
      if (!palettes_.count(base)) return fail("image without a known palette");
      while (std::getline(in, line)) {
        ++number;
        if (line == "end") break;
        if (!drawing.rows.empty() && line.size() != drawing.rows[0].size()) return fail("ragged row");
        for (char c : line) {
          if (c != '.' && !palettes_[base].count(c)) return fail("letter outside the palette");
        }
        drawing.rows.push_back(line);
      }
      if (drawing.rows.empty()) return fail("empty image");
      drawings_[name] = drawing;
    } else {
      return fail("expected palette or image");
    }
  }
  return true;
}

Rgb ArtBook::Colour(const std::string& palette, char letter) const {
  auto p = palettes_.find(palette);
  if (p == palettes_.end()) {
    fprintf(stderr, "no palette %s\n", palette.c_str());
    exit(1);
  }
  auto c = p->second.find(letter);
  if (c == p->second.end()) {
    fprintf(stderr, "palette %s has no %c\n", palette.c_str(), letter);
    exit(1);
  }
  return c->second;
}

Picture ArtBook::Render(const std::string& name, const std::string& palette) const {
  auto d = drawings_.find(name);
  if (d == drawings_.end()) {
    fprintf(stderr, "no drawing %s\n", name.c_str());
    exit(1);
  }
  const Drawing& drawing = d->second;
  const std::string& colours = palette.empty() ? drawing.palette : palette;
  Picture picture(drawing.Width(), drawing.Height());
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const char letter = drawing.rows[y][x];
      if (letter != '.') picture.At(x, y) = Colour(colours, letter);
    }
  }
  return picture;
}

Picture Mirror(const Picture& p) {
  Picture out(p.width, p.height);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) out.At(p.width - 1 - x, y) = p.At(x, y);
  return out;
}

Picture Scale(const Picture& p, int factor) {
  Picture out(p.width * factor, p.height * factor);
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) out.At(x, y) = p.At(x / factor, y / factor);
  return out;
}

Picture Shift(const Picture& p, int dx, int dy) {
  Picture out(p.width, p.height);
  Blit(&out, p, dx, dy);
  return out;
}

Picture Outline(const Picture& p, Rgb colour) {
  Picture out = p;
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      if (p.At(x, y) != kClear) continue;
      const int dx[] = {1, -1, 0, 0}, dy[] = {0, 0, 1, -1};
      for (int i = 0; i < 4; ++i) {
        if (p.Inside(x + dx[i], y + dy[i]) && p.At(x + dx[i], y + dy[i]) != kClear) {
          out.At(x, y) = colour;
          break;
        }
      }
    }
  }
  return out;
}

Picture Lighten(const Picture& p) {
  Picture out = p;
  for (Rgb& c : out.pixels) {
    if (c == kClear) continue;
    c = Rgb{uint8_t((c.r + 255) / 2), uint8_t((c.g + 255) / 2), uint8_t((c.b + 255) / 2)};
  }
  return out;
}

void Blit(Picture* target, const Picture& source, int x, int y) {
  for (int sy = 0; sy < source.height; ++sy) {
    for (int sx = 0; sx < source.width; ++sx) {
      const Rgb& c = source.At(sx, sy);
      if (c != kClear && target->Inside(x + sx, y + sy)) target->At(x + sx, y + sy) = c;
    }
  }
}

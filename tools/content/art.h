// The drawings in tools/content/art: palettes of lettered colours and
// pictures written as rows of those letters, rendered into Pictures.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "png_writer.h"

struct Drawing {
  std::string palette;
  std::vector<std::string> rows;
  int Width() const { return rows.empty() ? 0 : int(rows[0].size()); }
  int Height() const { return int(rows.size()); }
};

class ArtBook {
 public:
  // Reads every "*.txt" file named; false with a message on stderr on any
  // malformed line, unknown base palette or ragged drawing.
  bool Read(const std::string& path);

  // The drawing in its own palette, or in the palette named.
  Picture Render(const std::string& drawing, const std::string& palette = "") const;
  Rgb Colour(const std::string& palette, char letter) const;
  bool Has(const std::string& drawing) const { return drawings_.count(drawing) != 0; }

 private:
  std::map<std::string, std::map<char, Rgb>> palettes_;
  std::map<std::string, Drawing> drawings_;
};

// Small picture operations the sheets are built from.
Picture Mirror(const Picture& p);
Picture Scale(const Picture& p, int factor);
Picture Shift(const Picture& p, int dx, int dy);
// Adds a one-pixel outline of the colour around every shape.
Picture Outline(const Picture& p, Rgb colour);
// Lightens every drawn pixel halfway toward white.
Picture Lighten(const Picture& p);
void Blit(Picture* target, const Picture& source, int x, int y);

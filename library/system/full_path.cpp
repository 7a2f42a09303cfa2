// Paths are byte strings in the system's double-byte code: a trail byte equal
// to '\\' belongs to its character and never splits a path.
#include "system/full_path.h"

#include <cstring>

#include "system/path_chars.h"

namespace {

constexpr size_t kMaxComponent = 255;

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

class PathBuilder {
 public:
  PathBuilder(char* out, size_t capacity) : out_(out), capacity_(capacity) { out_[0] = 0; }

  bool Append(const char* text, size_t length) {
    if (length_ + length + 1 > capacity_) return false;
    std::memcpy(out_ + length_, text, length);
    length_ += length;
    out_[length_] = 0;
    return true;
  }

  // Cuts the last component at the previous separator; a drive's ':' and the
  // bare network prefix stay.
  void RemoveLastComponent(int charsetCode) {
    const char* last = LastPathSeparator(out_, charsetCode);
    if (!last || *last == ':' || last == out_) return;
    length_ = static_cast<size_t>(last - out_);
    out_[length_] = 0;
  }

  void StripOneTrailingSeparator() {
    if (length_ > 0 && IsPathSeparator(out_[length_ - 1])) out_[--length_] = 0;
  }

  void UpperCase(size_t from, int charsetCode) {
    for (size_t i = from; i < length_;) {
      const size_t step = PathCharLength(out_ + i, charsetCode);
      if (step == 1) out_[i] = UpperAscii(out_[i]);
      i += step;
    }
  }

  size_t Length() const { return length_; }

 private:
  char* out_;
  size_t capacity_;
  size_t length_ = 0;
};

}  // namespace

int BuildFullPath(const char* path, const char* base, char* out, size_t outSize, int charsetCode,
                  bool upperCase) {
  if (!out || outSize == 0) return -1;
  PathBuilder result(out, outSize);
  if (!base) base = "";
  if (!path) {
    if (!result.Append(base, std::strlen(base))) return -1;
    if (upperCase) result.UpperCase(0, charsetCode);
    return 0;
  }

  const char* walk = path;
  if ((path[0] == '\\' && path[1] == '\\') || (path[0] == '/' && path[1] == '/')) {
    if (!result.Append("\\", 1)) return -1;
    walk = path + 2;
  } else if (IsPathSeparator(path[0])) {
    if (!result.Append(base, std::strlen(base) < 2 ? std::strlen(base) : 2)) return -1;
    walk = path + 1;
  } else if (path[0] && path[1] == ':') {
    if (!result.Append(path, 2)) return -1;
    walk = path + 2;
    if (IsPathSeparator(*walk)) ++walk;
  } else {
    if (!result.Append(base, std::strlen(base))) return -1;
    result.StripOneTrailingSeparator();
  }
  if (upperCase) result.UpperCase(0, charsetCode);

  char component[kMaxComponent + 1];
  while (*walk) {
    size_t length = 0;
    while (*walk && !IsPathSeparator(*walk)) {
      const size_t step = PathCharLength(walk, charsetCode);
      if (length + step > kMaxComponent) return -1;
      std::memcpy(component + length, walk, step);
      length += step;
      walk += step;
    }
    component[length] = 0;
    const bool last = *walk == 0;
    if (!last) ++walk;
    if (length == 0) continue;
    if (!last && std::strcmp(component, ".") == 0) continue;
    if (!last && std::strcmp(component, "..") == 0) {
      result.RemoveLastComponent(charsetCode);
      continue;
    }
    const size_t start = result.Length();
    if (!result.Append("\\", 1) || !result.Append(component, length)) return -1;
    if (upperCase) result.UpperCase(start, charsetCode);
  }
  return 0;
}

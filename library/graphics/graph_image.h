// Base images: the GraphImage operations shared inside the graphics core.
#ifndef OMBREL_GRAPHICS_GRAPH_IMAGE_H
#define OMBREL_GRAPHICS_GRAPH_IMAGE_H

#include <stddef.h>
#include <stdint.h>

#include "Ombrel.h"

// Pixel buffers of images come from the tracked allocator without a source
// tag, as every image buffer of the library does.
void* AllocGraphImageMemory(size_t bytes);

// Owns a buffer from AllocGraphImageMemory until it is released, so that
// every failure path of a loader or a conversion frees what it made.
class ImageBuffer {
 public:
  ImageBuffer() = default;
  // A failed allocation leaves the buffer empty; test it before use.
  explicit ImageBuffer(size_t bytes, bool zeroed = false);
  ~ImageBuffer() { Reset(); }
  ImageBuffer(ImageBuffer&& other) noexcept : pixels_(other.Release()) {}
  ImageBuffer& operator=(ImageBuffer&& other) noexcept;
  ImageBuffer(const ImageBuffer&) = delete;
  ImageBuffer& operator=(const ImageBuffer&) = delete;

  uint8_t* Get() const { return pixels_; }
  explicit operator bool() const { return pixels_ != nullptr; }
  // Hands the buffer over; the caller frees it from now on.
  uint8_t* Release();
  void Reset();

 private:
  uint8_t* pixels_ = nullptr;
};

// Fills the whole record of a loaded image, which takes over the buffer.
void SetLoadedGraphImage(GraphImage* image, const ColorFormat& format, int width, int height,
                         int pitch, ImageBuffer& pixels, int mipLevels = 0);

// Takes over the image (the record is emptied) and returns its new
// graph-image handle, or -1 when the table is full or memory runs out; the
// image is then left as it was.
int AddGraphImageHandle(GraphImage* image);

// The image behind a live graph-image handle, or null.
GraphImage* GetGraphImageFromHandle(int handle);

// The library-end hook: deletes every graph-image handle.
int EndGraphImageHandles();

#endif

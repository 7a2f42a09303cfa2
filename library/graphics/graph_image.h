// Base images: the GraphImage operations shared inside the graphics core.
#ifndef OMBREL_GRAPHICS_GRAPH_IMAGE_H
#define OMBREL_GRAPHICS_GRAPH_IMAGE_H

#include <stddef.h>

#include "Ombrel.h"

// Pixel buffers of images come from the tracked allocator without a source
// tag, as every image buffer of the library does.
void* AllocGraphImageMemory(size_t bytes);

// Takes over the image (the record is emptied) and returns its new
// graph-image handle, or -1 when the table is full or memory runs out; the
// image is then left as it was.
int AddGraphImageHandle(GraphImage* image);

// The image behind a live graph-image handle, or null.
GraphImage* GetGraphImageFromHandle(int handle);

// The library-end hook: deletes every graph-image handle.
int EndGraphImageHandles();

#endif

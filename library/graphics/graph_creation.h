// Graphs made from images: empty graphs, graphs from image files (with an
// optional "_a" alpha file) or from images in memory, divided pictures,
// movie graphs, screen copies, and the reload of file-backed graphs.
#ifndef OMBREL_GRAPHICS_GRAPH_CREATION_H
#define OMBREL_GRAPHICS_GRAPH_CREATION_H

#include "Ombrel.h"

struct HBITMAP__;
struct MovieRecord;

// The graph for an image, pixels not yet transferred.
int CreateGraphForGraphImage(const GraphImage* image, const GraphImage* alphaImage, int unused);
int CreateGraphFromGraphImagePair(GraphImage* image, GraphImage* alphaImage, int unusedFlag,
                                  int mirrorFlag, int mirrorImageFlag);
int UpdateGraphFromGraphImagePair(GraphImage* image, GraphImage* alphaImage, int graph,
                                  int unusedFlag, int mirrorFlag, int mirrorImageFlag);
int CreateDivGraphFromGraphImage(GraphImage* image, GraphImage* alphaImage, int allNum, int xNum,
                                 int yNum, int width, int height, int* handles, int unusedFlag,
                                 int mirrorFlag, int mirrorImageFlag);
// bitmapFlag 1 takes the pixels from the two GDI DIB sections, read in the
// given format, instead of the images.
int TransferGraphImageToGraph(const ColorFormat* format, HBITMAP__* bitmap,
                              HBITMAP__* alphaBitmap, const char* fileName, int bitmapFlag,
                              const GraphImage* image, const GraphImage* alphaImage, int x, int y,
                              int graph, int mirrorFlag);
int TransferGraphImageRectToGraph(const ColorFormat* format, HBITMAP__* bitmap,
                                  HBITMAP__* alphaBitmap, const char* fileName, int bitmapFlag,
                                  const IntRect* source, int destX, int destY,
                                  const GraphImage* image, const GraphImage* alphaImage, int graph,
                                  int mirrorFlag);
// The movie's frame callback: shows the movie's current frame in the graph.
void CopyMovieFrameToGraph(MovieRecord* movie, int graph);
void ReloadAllGraphFiles();

#endif

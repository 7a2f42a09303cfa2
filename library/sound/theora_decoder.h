// TheoraDecoder: the video track of an Ogg Theora file. Opening reads the
// whole file once to index its pages and key frames, then a decode thread of
// its own keeps a small stock of decoded frames just ahead of the frame the
// caller wants. The caller moves the wanted frame forward and asks for it as
// an XRGB8 image or in a Direct3D YUV surface; conversion runs on the
// caller's side.
//
// The two threads share the record through int flags that each side writes
// alone and the other polls with short sleeps; the flags are read and
// written atomically so that a stock slot's contents are seen complete once
// its in-use flag is. A small lock keeps the thread from freeing the slot
// the caller is converting.
#ifndef OMBREL_SOUND_THEORA_DECODER_H
#define OMBREL_SOUND_THEORA_DECODER_H

#include <stdint.h>

#include <ogg/ogg.h>
#include <theora/theora.h>

#include "Ombrel.h"

struct IDirect3DSurface9;

enum TheoraThreadState : int32_t {
  kTheoraIdle = 0,  // the stock is full
  kTheoraDecoding = 1,
  kTheoraSeeking = 2,
  kTheoraEnded = 3,  // the thread is gone
  kTheoraPaused = 4,
};

struct TheoraPageEntry {
  int32_t offset;  // of the page in the file
  int32_t firstPacket;  // number of the first video packet that ends in it
  int32_t keyFrame;  // 1 when one of its packets is a key frame
  int32_t packetCount;
};

struct TheoraFrameSlot {
  int32_t inUse;  // written by the thread when full, by the caller's side never
  int32_t frame;
  uint8_t* y;
  uint8_t* u;
  uint8_t* v;
  int32_t yWidth, yHeight, yStride;
  int32_t chromaWidth, chromaHeight, chromaStride;
};

struct TheoraDecoder {
  int32_t threadState;
  int32_t pauseRequest;
  int32_t stopRequest;
  int32_t seekRequest;
  int32_t seekTarget;
  int32_t endOfData;
  uintptr_t thread;
  uint32_t threadId;
  FileAccessTable files;
  StreamHandle stream;
  ogg_sync_state sync;
  ogg_page page;
  ogg_stream_state oggStream;
  ogg_packet packet;
  theora_info info;
  theora_comment comment;
  theora_state state;
  int32_t serialNumber;
  int32_t streamMade;  // oggStream holds the Theora stream
  int32_t decoderMade;  // state was initialised by theora_decode_init
  TheoraPageEntry* pages;
  int32_t pageCount;
  int32_t pageCapacity;
  uint8_t* keyFlags;
  int32_t keyFlagCapacity;
  int64_t packetCount;
  int32_t currentFrame;  // -1 until the first seek
  int32_t decodedFrame;
  int32_t headersRead;
  // 1 once the decoder has decoded a picture: before that it has no frame
  // to hand out, and asking it for one reads through an unset buffer.
  int32_t pictureDecoded;
  TheoraFrameSlot* stock;
  int32_t stockCount;
  GraphImage frameImage;
  IDirect3DSurface9* yuvSurface;
  uint32_t yuvFourCC;
  int32_t imageCurrent;
  int32_t surfaceCurrent;
  // The picture shown: a region of the coded frame (coded sizes are whole
  // blocks of 16), at its offsets from the frame's top left.
  int32_t pictureLeft, pictureTop, pictureWidth, pictureHeight;
  // Taken by the thread while it frees slots and by the caller while it
  // reads one (see LockStock).
  int32_t stockLock;
};

struct TheoraMovieInfo {
  double framesPerSecond;
  int frameCount;
  int width;
  int height;
};

// The decoder of the Ogg Theora file open as stream in the files' table, with
// a stock of stockSize frames and frame 0 decoded; null when the file is not
// Ogg, holds no Theora stream, ends inside the headers, or memory runs out.
// The stream stays the caller's and must stay open until the decoder closes.
TheoraDecoder* OpenTheoraDecoder(const FileAccessTable* files, StreamHandle stream, int stockSize);
// Ends the thread before it frees anything; 0 (also for null).
int CloseTheoraDecoder(TheoraDecoder* decoder);
// Repositions the thread so that the frame (clamped to the frame count) is
// decoded next; 0.
int SeekTheoraFrame(TheoraDecoder* decoder, int frame);
// Moves the wanted frame forward by n (nothing for n <= 0), wrapping once at
// the frame count; 0.
int AdvanceTheoraFrame(TheoraDecoder* decoder, int n);
// Waits for the wanted frame in the stock and converts it into the image
// (toImage) and the surface (toSurface) where they do not show it yet. 1 when
// done; 0 when nothing was needed or the frame cannot come.
int UpdateTheoraFrameImage(TheoraDecoder* decoder, int toImage, int toSurface);
GraphImage* GetTheoraFrameImage(TheoraDecoder* decoder);
IDirect3DSurface9* GetTheoraYUVSurface(TheoraDecoder* decoder);
int GetTheoraCurrentFrame(TheoraDecoder* decoder);
// Frames per second, the frame count, and the size of the picture shown (the
// region of the coded frame the stream names); 0.
int ReadTheoraMovieInfo(TheoraDecoder* decoder, TheoraMovieInfo* out);
// Reads up to n bytes of the file into the Ogg sync buffer; the count read,
// 0 at the end.
int FeedTheoraSyncBuffer(TheoraDecoder* decoder, int n);

// One pass of the decode thread's loop: the milliseconds to sleep before the
// next pass, or -1 for none. The thread runs it until stopRequest is set.
int RunTheoraDecodeStep(TheoraDecoder* decoder);

// The page a seek restarts from: the key-frame page before the target,
// stepped one page further back so that a key frame begun on the page
// before is whole; -1 when no page holds video. Platform-free.
int FindTheoraSeekPage(const TheoraPageEntry* pages, int pageCount, int target);

// The Direct3D side (theora_surface.cpp): (re)creates the YUV surface when a
// device is in use; copies a frame into it, 1 when copied.
int CreateTheoraYUVSurface(TheoraDecoder* decoder);
void ReleaseTheoraYUVSurface(TheoraDecoder* decoder);
int CopyTheoraFrameToSurface(TheoraDecoder* decoder, const TheoraFrameSlot& slot);

#endif

// Ombrel: the multimedia library's public interface. A game includes this
// header alone and links Ombrel::ombrel. Functions return 0 on success and -1
// on failure; those that create a resource return its handle or -1.
#ifndef OMBREL_H
#define OMBREL_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define OMBREL_PRINTF_FORMAT(formatIndex, firstArgument) \
  __attribute__((format(gnu_printf, formatIndex, firstArgument)))
#else
#define OMBREL_PRINTF_FORMAT(formatIndex, firstArgument)
#endif

// Library start-up, shut-down, window and messages.
struct HWND__;

// Starts the library with the settings made before: binds the system DLLs,
// opens the main window, starts input, sound and graphics. 0 also when it
// was already started; -1 when start-up failed, with everything it had
// started undone so that it may be tried again.
int InitLibrary();
// Shuts down what InitLibrary started and closes the window; 0.
int EndLibrary();
// Logs the text, shuts the library down and ends the process with -1. Called
// from another thread than the window's, it ends the process without the
// window teardown, which only the window's thread can do.
[[noreturn]] void ExitWithError(const char* text);
[[noreturn]] void ExitWithErrorFormat(const char* format, ...) OMBREL_PRINTF_FORMAT(1, 2);

// One frame's message processing: at most five window messages and the
// per-frame services. 0 to go on, -1 once the window has been closed (and on
// every later call).
int PumpMessages();
// Waits ms milliseconds, keeping the window alive while the wait is long.
int WaitMilliseconds(int ms);

// Window settings; made before InitLibrary they take effect at start-up.
// 1 window mode, 0 full screen; -1 when full screen cannot show the screen.
int ChangeWindowMode(int flag);
// A y of 0 or less takes x; a scale of 0 or less is 1.0.
int SetWindowScale(double x, double y);
// Returns x; 1.0 for both in full-screen mode. Either pointer may be null.
double GetWindowScale(double* x, double* y);
// Titles longer than 255 bytes are cut at a character boundary.
int SetMainWindowTitle(const char* text);
// 0 for the system's application icon.
int SetWindowIconResource(int resourceId);
// 1 keeps the frame loop running while the window is in the background.
int SetRunWhileInactive(int flag);
// 1 show, 0 hide, -1 apply the current setting again.
int SetCursorVisible(int flag);
// The mouse in screen pixels (the window's client divided by the scale).
int GetMouseClientPos(int* x, int* y);
// Copies at most bufferSize - 1 bytes of the clipboard's text and a
// terminator into buffer and returns 0; with a null buffer returns the size
// a buffer needs. -1 when the clipboard holds no text or cannot be opened.
int ReadClipboardText(char* buffer, int bufferSize);
// 0, or -1 when the text could not be placed on the clipboard.
int WriteClipboardText(const char* text);

int IsEndRequested();
HWND__* GetMainWindow();
int IsWindowMode();
int IsAppActive();
int IsRunWhileInactive();
int IsCloseRequested();
// 1 when the processor has MMX.
int IsMmxAvailable();
// The desktop's size and colour bits; any pointer may be null.
int GetDesktopMode(int* width, int* height, int* colorBits);

// The window has no menu bar and no toolbar: these report their absence.
int IsMenuBarShown();
int SetMenuBarVisible(int flag);
int GetToolbarHeight();
int FindToolbarButton(int id);
int RemoveAllToolbarButtons();
int GetMenuItemName(int id, char* name);

// The log and tracked memory. The log is on until EnableLogOutput(0); each
// call appends to "Log.txt" in the log folder, a line starting with the
// milliseconds since start-up and the indentation in tabs. AppendLog always
// returns -1, so a failing function can return its result.
int AppendLog(const char* text);
int AppendLogFormat(const char* format, ...) OMBREL_PRINTF_FORMAT(1, 2);
int EnableLogOutput(int flag);
int IncreaseLogIndent();
int DecreaseLogIndent();
// 0, or -1 when a block header of the library's memory was overwritten.
int CheckTrackedMemory();
// Writes every live block of the library's memory, then the totals, to the log.
int DumpTrackedMemory();
int LogTrackedMemoryTotals();

// Time and random numbers.
struct LocalDateTime {
  int year;
  int month;  // 1-12
  int day;
  int hour;
  int minute;
  int second;
};

// Milliseconds of the multimedia timer, never negative.
int GetTickMilliseconds();
// Microseconds; allowCpuCounter 1 lets the processor's time-stamp counter
// serve once the library is up.
int64_t GetTickMicroseconds(int allowCpuCounter);
int GetLocalDateTime(LocalDateTime* out);
int SeedRandom(uint32_t seed);
// 0 to max inclusive, from the library's one Mersenne Twister.
int GetRandomInt(int max);

// Files, streams and archives.
//
// Every library read goes through the active FileAccessTable. The default set
// looks for a path inside an archive first: a file "X.ARC" beside a folder X
// stands for that folder, and when it exists the folder itself is not read.

// A non-zero value naming an open file; 0 means the open failed. Valid only
// with the table that made it.
typedef uintptr_t StreamHandle;

// What a search fills for each item it finds.
struct FileFindData {
  char name[260];  // the item's own name, without its folder
  int isDirectory;
  uint32_t sizeLow;
  uint32_t sizeHigh;
  LocalDateTime creationTime;
  LocalDateTime lastWriteTime;
};

// The twelve file functions, in slot order. Seek origins: 0 start, 1 current
// position, 2 end. A find handle is -1 when nothing matched.
struct FileAccessTable {
  StreamHandle (*Open)(const char* path, int useCache, int reserved, int async);
  int (*Close)(StreamHandle handle);
  int (*Tell)(StreamHandle handle);
  int (*Seek)(StreamHandle handle, int offset, int origin);
  int (*Read)(void* buffer, size_t elementSize, size_t count, StreamHandle handle);
  int (*Eof)(StreamHandle handle);        // -1 at the end, else 0
  int (*IdleCheck)(StreamHandle handle);  // 1 when no asynchronous read is pending
  int (*SetDir)(const char* path);
  int (*GetDir)(char* buffer);
  intptr_t (*FindFirst)(const char* pattern, FileFindData* findData);
  int (*FindNext)(intptr_t findHandle, FileFindData* findData);
  int (*FindClose)(intptr_t findHandle);
};

// The six functions that come with a stream; data is a StreamHandle (file
// record) or a MemoryStream (memory record).
struct StreamReadOps {
  int (*Tell)(void* data);
  int (*Seek)(void* data, int offset, int origin);
  int (*Read)(void* buffer, size_t elementSize, size_t count, void* data);
  int (*Eof)(void* data);
  int (*IdleCheck)(void* data);
  int (*Close)(void* data);
};

// A block of memory read like a file; the stream never owns the block.
struct MemoryStream {
  const unsigned char* data;
  int size;
  int position;
  int endFlag;
};

// Copies the caller's twelve functions into the active table; null restores
// the library's own set.
int InstallFileAccessTable(const FileAccessTable* table);
StreamHandle OpenStream(const char* path, int useCache, int reserved, int async);
int CloseStream(StreamHandle handle);
int TellStream(StreamHandle handle);
int SeekStream(StreamHandle handle, int offset, int origin);
int ReadStream(void* buffer, size_t elementSize, size_t count, StreamHandle handle);
int IsStreamEof(StreamHandle handle);
int IsStreamIdle(StreamHandle handle);
// A file opened without the read-ahead cache, read byte-wise.
StreamHandle OpenDataFile(const char* path, int async);
int ReadDataFile(void* buffer, size_t size, StreamHandle handle);
const StreamReadOps* GetFileStreamOps();
const StreamReadOps* GetMemoryStreamOps();

MemoryStream* OpenMemoryStream(const void* data, int size);
int CloseMemoryStream(MemoryStream* stream);
int TellMemoryStream(MemoryStream* stream);
int SeekMemoryStream(MemoryStream* stream, int offset, int origin);
// Unlike a file, a partial last element is delivered and counted as one.
int ReadMemoryStream(void* buffer, size_t elementSize, size_t count, MemoryStream* stream);
int IsMemoryStreamEof(MemoryStream* stream);  // 1 at the end, else 0
int IsMemoryStreamIdle(MemoryStream* stream);

// The full form of a path against currentDirectory (null: the current
// directory); out holds 260 bytes. -1 when the result does not fit.
int MakeFullPath(const char* path, char* out, const char* currentDirectory);
// A new, empty file in the temporary folder opened for writing (a Windows
// file handle), or null; pathOut, when given, receives its path (260 bytes).
void* OpenNewTempFile(char* pathOut);

// Input.

// Keys are named by their keyboard scan codes (0x01 Esc, 0x1C Enter, 0x2C Z,
// 0x2D X, 0xC8 Up, 0xD0 Down, 0xCB Left, 0xCD Right, ...). The key states
// are refreshed once per PumpMessages. Called before input has started,
// both start it and report no key down.
// 1 while the key is down, else 0.
int IsKeyDown(int scanCode);
// Fills 256 bytes, one per scan code: 1 while the key is down, else 0.
int GetAllKeyStates(char* buffer);

// Text entry. A key input is a line of at most maxLength bytes that the
// player types into while it is the active one: characters, the IME's
// results, Backspace, Delete, the arrows, Home and End (with Shift to
// select), Ctrl+C, Ctrl+X and Ctrl+V; Enter ends it and Esc cancels it when
// cancelAllowed is 1. singleByteOnly refuses double-byte characters;
// numbersOnly accepts only a signed decimal number. Returns the handle or -1.
int MakeKeyInput(int maxLength, int cancelAllowed, int singleByteOnly, int numbersOnly);
int DeleteKeyInput(int handle);
// The key input that receives what is typed; -1 for none.
int SetActiveKeyInput(int handle);
// 0 while editing, 1 ended with Enter, 2 cancelled with Esc, -1 for a handle
// that is not valid.
int CheckKeyInputEnded(int handle);
// Copies the text, cut to whole characters within bufferSize - 1 bytes, and
// a terminator.
int GetKeyInputText(int handle, char* buffer, int bufferSize);

// Graphics: screen, colours, images, drawing state and drawing calls.

// Rectangles have exclusive right and bottom edges.
struct IntRect {
  int32_t left, top, right, bottom;
};

struct Vector3 {
  float x, y, z;
};

// Row-major; vectors are rows multiplied from the left, so row 3 holds the
// translation.
struct Matrix44 {
  float m[4][4];
};

struct FloatColor {
  float red, green, blue, alpha;
};

// A pixel value in the screen's layout: 0xFFRRGGBB on 32-bit screens and
// before start-up, R5G6B5 on 16-bit screens.
typedef uint32_t ColorCode;

struct ColorPaletteEntry {
  uint8_t blue, green, red, alpha;
};

// One pixel layout. Palette formats (one byte per pixel) describe their
// entries as X8R8G8B8; DXT formats (compression 1-5) describe the A8R8G8B8
// layout they decompress to.
struct ColorFormat {
  uint16_t colorBits;
  uint16_t bytesPerPixel;
  uint8_t redWidth, greenWidth, blueWidth, alphaWidth;
  uint8_t redShift, greenShift, blueShift, alphaShift;
  uint32_t redMask, greenMask, blueMask, alphaMask;
  uint32_t unusedMask;
  ColorPaletteEntry palette[256];
  uint8_t unusedShift, unusedWidth;
  uint32_t compression;
};

enum ColorCompression : uint32_t {
  kCompressionNone = 0,
  kCompressionDxt1 = 1,
  kCompressionDxt2 = 2,
  kCompressionDxt3 = 3,
  kCompressionDxt4 = 4,
  kCompressionDxt5 = 5,
};

// An image in memory; rows top first, pixel (x, y) at pixels + y * pitch +
// x * bytesPerPixel. The record owns its pixels; an all-zero record is empty.
struct GraphImage {
  ColorFormat format;
  int32_t width;
  int32_t height;
  int32_t pitch;
  void* pixels;
  int32_t mipLevels;
};

ColorCode ComposeColorCode(int red, int green, int blue);
int SplitColorCode(ColorCode code, int* red, int* green, int* blue);
FloatColor* MakeFloatColor(FloatColor* out, float red, float green, float blue, float alpha);

int SetColorFormatFromMasks(ColorFormat* format, int colorBits, uint32_t redMask,
                            uint32_t greenMask, uint32_t blueMask, uint32_t alphaMask);
ColorFormat* UpdateColorFormatUnusedMask(ColorFormat* format);
int SetColorFormatPalette8(ColorFormat* format);
int SetColorFormatXRGB8(ColorFormat* format);
int SetColorFormatARGB8(ColorFormat* format);
int SetColorFormatRGB24(ColorFormat* format);
int SetColorFormatGray8(ColorFormat* format);
uint32_t PackColorCode(const ColorFormat* format, int red, int green, int blue, int alpha);
int UnpackColorCode(const ColorFormat* format, uint32_t pixel, int* red, int* green, int* blue,
                    int* alpha);

int AllocGraphImage(int width, int height, const ColorFormat* format, GraphImage* image);
int AllocGraphImageARGB8(int width, int height, GraphImage* image);
int AllocGraphImageXRGB8(int width, int height, GraphImage* image);
int FreeGraphImage(GraphImage* image);
int ClearGraphImageRect(GraphImage* image, int x, int y, int width, int height);
int GetGraphImagePixel(GraphImage* image, int x, int y, int* red, int* green, int* blue,
                       int* alpha);
int SetGraphImagePixel(GraphImage* image, int x, int y, int red, int green, int blue, int alpha);
uint32_t GetGraphImagePixelARGB(const GraphImage* image, int x, int y);
int MirrorGraphImage(GraphImage* image);
int RotateGraphImage180(GraphImage* image);
int DownsampleHalfBlt(const ColorFormat* format, void* destPixels, int destPitch,
                      const void* sourcePixels, int sourcePitch, int destX, int destY,
                      int sourceX, int sourceY, int sourceWidth, int sourceHeight);
int CopyGraphImageRect(int sourceX, int sourceY, int width, int height, int destX, int destY,
                       GraphImage* source, GraphImage* dest);
int StretchCopyGraphImage(int sourceX1, int sourceY1, int sourceX2, int sourceY2,
                          GraphImage* source, int destX1, int destY1, int destX2, int destY2,
                          GraphImage* dest, int mode);
int DecompressDxtGraphImage(GraphImage* image);
// Decodes a BMP, JPEG, PNG, raw BGRA, TGA or DDS file (or the same bytes held
// in memory when fromMemory is 1) into a new image that the caller frees with
// FreeGraphImage; mirror 1 reverses every row.
int ReadGraphImage(const char* fileName, const void* memory, int memorySize, int fromMemory,
                   GraphImage* image, int mirror);
// ReadGraphImage plus an alpha image: alphaMode 0 reads the file named with
// "_a" before the main file's extension, 1 the alpha bytes in memory. 0 when
// both were read, 1 when only the main image was (alphaImage is then
// empty), -1 when the main image could not be read.
int ReadGraphImageWithAlpha(const char* fileName, const void* memory, int memorySize,
                            int fromMemory, const void* alphaMemory, int alphaMemorySize,
                            int alphaMode, GraphImage* image, GraphImage* alphaImage, int mirror);
int DeleteGraphImageHandle(int handle);
int DeleteAllGraphImageHandles();

// Copies sourceRect of the source to (destX, destY), converting every pixel
// from the source's layout to the destination's. Nothing is clipped.
int ConvertFormatBlt(void* destPixels, int destPitch, const ColorFormat* destFormat,
                     const void* sourcePixels, int sourcePitch, const ColorFormat* sourceFormat,
                     const void* alphaPixels, int alphaPitch, const ColorFormat* alphaFormat,
                     int destX, int destY, const IntRect* sourceRect, int mirror, int keyToAlpha,
                     uint32_t transColor, int ditherMode, int alphaOnly, int alphaFromRed,
                     int skipTransparent, int paletteRemap);

int MakeIdentityMatrix(Matrix44* out);
int MultiplyMatrix(Matrix44* out, const Matrix44* a, const Matrix44* b);
int TransposeMatrix(Matrix44* out, const Matrix44* m);
int InvertMatrix(Matrix44* out, const Matrix44* m);
int MakePerspectiveMatrix(Matrix44* out, float fieldOfView, float nearZ, float farZ,
                          float aspect);
int MakeOrthoMatrix(Matrix44* out, float size, float nearZ, float farZ, float aspect);
int MakeViewportMatrix(Matrix44* out, float centerX, float centerY, float width, float height);
int MakeLookAtMatrix(Matrix44* out, const Vector3* eye, const Vector3* at, const Vector3* up);
int ApplyMatrixToVector(Vector3* dest, const Vector3* source, const Matrix44* m);
int NormalizeVector(Vector3* dest, const Vector3* source);
Vector3* MakeUnitVector(Vector3* out, float x, float y, float z);
float DotVectors(const Vector3* a, const Vector3* b);
int ClipRectToBounds(IntRect* rect, const IntRect* bounds);

// The 3D transform state. Each matrix setter refreshes the cached products
// (world x view x projection x viewport, view x projection x viewport).
Vector3* TransformVector(Vector3* dest, const Vector3* source, const Matrix44* m);
// As TransformVector without the translation row.
Vector3* TransformVectorRotScale(Vector3* dest, const Vector3* source, const Matrix44* m);
int SetWorldMatrix(const Matrix44* matrix);
int SetViewMatrix(const Matrix44* matrix);
int SetProjectionMatrix(const Matrix44* matrix);
int SetViewportMatrix(const Matrix44* matrix);
void UpdateCombinedMatrices();
// The camera's projection is rebuilt after each of these.
int SetProjectionNearFar(float nearZ, float farZ);
// Also returns to the perspective projection.
int SetPerspectiveFieldOfView(float fieldOfView);
int UseGivenProjectionMatrix(const Matrix44* matrix);
// The viewport matrix for this centre and the draw target's size.
int SetViewportCenter(float x, float y);
// Fog: kind 0 none, 1 exp, 2 exp2, 3 linear (default 3, white, 0 to 1500).
int SetFogKind(int kind);
int SetFogTint(int red, int green, int blue);
int SetFogDistances(float start, float end);
// Lights: a new light is enabled, with the default values; -1 when the
// table (4,096 lights) is full.
int AllocLightHandle();
// A directional light along (x, y, z), scaled to length 1.
int MakeDirectionalLight(float x, float y, float z);
int FreeLightHandle(int handle);
int FreeLightHandlesButDefault();
// Gives device light slots to the enabled lights: directional, then spot,
// then point; slots no longer used are switched off.
int ApplyLightHandles();

// Masks: while the mask screen is in effect, drawing changes only the pixels
// the mask lets through.
int RemoveMaskHandle(int handle);
int RemoveAllMaskHandles();
// -1 while there is no mask screen.
int EnableMaskScreen(int flag);
int QueryMaskScreenEnabled();

// 0 chooses the software renderer; -1 once the library is started.
int EnableHardwareRender(int flag);
// Before start-up only records the mode (default 640 x 480 x 16). Colour bits
// 8, 16 or 32. 0, -1 when refused, -2 when the change fell back to
// 640 x 480 x 16.
int SetScreenMode(int width, int height, int colorBits, int refreshRate);
// The size the program draws (320 x 240 under the 320 x 240 emulation) and
// the colour bits; any pointer may be null.
int QueryScreenState(int* width, int* height, int* colorBits);
int GetScreenColorBits();

// Drawing targets are -2 the back screen (shown by PresentScreen), -4 the
// front screen (shown every 32 ms while it is the target), or a graph made
// drawable. After start-up and every screen-mode change the front screen is
// the target and the drawing settings are back at their defaults.
int SelectDrawTarget(int target);
int GetDrawTarget();
// The clip rectangle of the draw target, corners in any order, clamped to
// the target; an empty one makes every drawing call draw nothing.
int SetDrawClipRect(int x1, int y1, int x2, int y2);
// Blend modes: 0 none, 1 alpha, 2 add, 3 subtract, 4 multiply, 10 toward the
// inverted colour, 11 toward the product; the parameter is clamped to 0-255.
int SetBlendModeAndParam(int mode, int param);
// Scales every later draw's colours; 255, 255, 255 is off. Clamped to 0-255.
int SetBrightRGB(int red, int green, int blue);
// A graph whose pixels weigh every drawn pixel, or -1 for none.
int SetBlendGraph(int graph, int borderParam, int borderRange);
int SetDrawFilterMode(int mode);
int GetDrawFilterMode();
// 0 lets presents run without waiting for the vertical blank.
int EnableVSyncWait(int flag);
int CheckVSyncWait();
int EnableScreen320x240Emulation(int flag);

// Graphs. A graph handle stays valid until RemoveGraph, a screen-mode change
// or EndLibrary. Settings for graphs made afterwards:
int SetGraphCreateColorBits(int bits);  // 0 the screen's, 16 or 32
int GetGraphCreateColorBits();
int SetDrawValidGraphCreateFlag(int flag);
int GetDrawValidGraphCreateFlag();
int SetAlphaTestGraphCreateFlag(int flag);
int GetAlphaTestGraphCreateFlag();
int SetEmptyGraphAlphaFlag(int flag);
int GetEmptyGraphAlphaFlag();
int SetSystemMemoryCopyFlag(int flag);
int GetSystemMemoryCopyFlag();
int GetMovieGraphCreateFlag();
// The colour (default black) that transparent draws skip in new graphs.
int SetGraphTransColor(int red, int green, int blue);
// 0: transfers into graphs keep pixels of the transparent colour as they are.
int EnableGraphTransColor(int flag);

// Its pixels are undefined until drawn.
int CreateEmptyGraph(int width, int height, int unused);
// Reads an image file (and the alpha file named with "_a" beside it). -1
// when the file cannot be read.
int CreateGraphFromFile(const char* fileName, int unusedFlag);
// mirrorFlag 1 reverses every row.
int LoadGraphFile(const char* fileName, int unusedFlag, int mirrorFlag, int movieArg);
// Cuts the picture into allNum pieces of width x height, row by row, xNum
// across; all or nothing.
int CreateDivGraphFromFile(const char* fileName, int allNum, int xNum, int yNum, int width,
                           int height, int* handles, int unusedFlag);
int CreateGraphFromFileImage(const void* fileBytes, int size, const void* alphaBytes,
                             int alphaSize, int unusedFlag, int mirrorFlag);
int UpdateGraphFromFileImage(const void* fileBytes, int size, int graph, const void* alphaBytes,
                             int alphaSize, int unusedFlag, int mirrorFlag);
// The image must have the graph's size.
int UpdateGraphFromGraphImage(GraphImage* image, int graph);
// A graph showing the rectangle of the source, sharing its pixels; cut at
// the source's edges.
int CreateDerivedGraph(int x, int y, int width, int height, int source);
int RemoveGraph(int graph, int unused);
int RemoveAllGraphs(int unused);
// -2 and -4 give the screen's size.
int QueryGraphSize(int graph, int* width, int* height);
// Fills the graph under the current blend mode, bright and clip rectangle.
int FillGraphWithColor(int graph, int red, int green, int blue, int alpha);
// The graph must be exactly (x2 - x1) x (y2 - y1).
int CopyDrawScreenToGraph(int x1, int y1, int x2, int y2, int graph);
// Called after the display was lost; null restores the graphs read from
// files.
int RegisterGraphRestoreHandler(int (*handler)());

// Drawing calls: each draws into the target under the blend mode, parameter,
// bright and clip rectangle; 0 also when nothing is drawn, -1 for a graph
// that is not live. transFlag 1 skips the graph's transparent colour.
int PutGraph(int x, int y, int graph, int transFlag);
// x2, y2 exclusive; reversed corners mirror.
int PutGraphStretched(int x1, int y1, int x2, int y2, int graph, int transFlag);
int PutGraphStretchedFloat(float x1, float y1, float x2, float y2, int graph, int transFlag);
int PutGraphMirrored(int x, int y, int graph, int transFlag);
int PutGraphPart(int destX, int destY, int srcX, int srcY, int width, int height, int graph,
                 int transFlag, int mirrorFlag);
int PutGraphPartStretchedFloat(float x1, float y1, float x2, float y2, int srcX, int srcY,
                               int width, int height, int graph, int transFlag);
// Corners clockwise from the graph's top-left.
int PutGraphQuad(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                 int graph, int transFlag);
int PaintFilledBox(int x1, int y1, int x2, int y2, ColorCode color);
int PaintBoxOutline(int x1, int y1, int x2, int y2, ColorCode color);
int PaintBox(int x1, int y1, int x2, int y2, ColorCode color, int fillFlag);
// The last point is not drawn; a thickness above 1 draws a filled band.
int PaintLine(int x1, int y1, int x2, int y2, ColorCode color, int thickness);
// Fills the target (or the region) with the background colour, ignoring
// the blend mode, bright and clip rectangle.
int ClearDrawTarget(const IntRect* region);
// Hardware-only vertex drawing; the software renderer draws nothing.
int DrawVertexList(const void* vertices, int count, int primitiveType, int graph, int transFlag,
                   int remapFlag);

// Shows the back screen in the window, scaled by the window scale.
int PresentScreen();
// region in window pixels, or null for the whole screen.
int PresentScreenRegion(const IntRect* region);
int RefreshScreen();

// Fonts and text.
//
// Text is one line of double-byte text under the system's text code (Shift-JIS
// on a Japanese system), drawn with a Windows font whose glyphs are rendered
// once and then copied from a cache. A font handle is -1 when none could be
// made; at most 40 fonts live at once.

// Font types: bit 0 an outline of edgeSize pixels in the edge colour, bit 1
// anti-aliased (17 grey levels). -1 arguments take the defaults: size 16,
// thickness 6, type 0, the system's text code, edge size 1, the first free
// slot and a new check number. A null or empty face asks for "ＭＳ ゴシック"
// and falls back to the system's font.
int CreateFontToHandle(const char* face, int size, int thickness, int type, int charsetCode,
                       int edgeSize, int italic, int slot, int check);
int DeleteFontHandle(int font);
// 1 when the handle names a live font, else 0.
int IsValidFontHandle(int font);
// Extra pixels added to every character's advance (negative draws closer).
int SetFontHandleSpacing(int spacing, int font);
// The pointed int is set to 0 now and to 1 when the font is deleted; null
// stops the watch.
int SetFontDeletedFlagPointer(int font, int* flag);
// Copies the face (up to 256 bytes), size and thickness; any pointer may be
// null.
int GetFontHandleInfo(char* face, int* size, int* thickness, int font);
int GetFontHandleSize(int font);
// Deletes every font and makes the default font again.
int ResetFontSystem();

// The default font, used by every text call without a font handle. Each
// setter re-makes the font when the setting changes; the spacing is kept
// across re-makes.
int QueryDefaultFontHandle();
int SetDefaultFontSize(int size);            // -1: 16
int SetDefaultFontThickness(int thickness);  // -1: 6
int SetDefaultFontSpacing(int spacing);
// charsetCode -1: the system's text code.
int SetDefaultFontFace(const char* face, int charsetCode);
int SetDefaultFontSizeAndThickness(const char* face, int size, int thickness);

// Draws the text with its top-left corner at x, y under the draw target,
// clip rectangle, blend mode and bright; the edge colour serves edged fonts.
// verticalFlag 1 runs the text downwards, each glyph turned a quarter turn
// clockwise. -1 when the font is not live.
int DrawStringWithFont(int x, int y, const char* text, ColorCode color, int font,
                       ColorCode edgeColor, int verticalFlag);
int DrawStringDefaultFont(int x, int y, const char* text, ColorCode color, ColorCode edgeColor);
// Formats printf-style (at most 2047 bytes are drawn) and draws with the
// default font and no edge colour.
int DrawStringFormatted(int x, int y, ColorCode color, const char* format, ...)
    OMBREL_PRINTF_FORMAT(4, 5);
// The advance in pixels of at most length bytes of the text (-1: all of it)
// in the default font, spacing included.
int MeasureStringWidth(const char* text, int length, int verticalFlag);

// Sound, music and movies.
//
// A sound handle names one sound: a memory sound (the whole PCM in up to ten
// output buffers, played round robin, so it can sound that many times at
// once) or a stream sound (a one-second ring refilled from the file while it
// plays). Files may be RIFF/WAVE (PCM or any format the system's audio
// compression manager converts), Ogg Vorbis or MP3. Every call returns -1
// before sound start-up and for a handle that is not live.

// Play types: 0 plays and waits for the end, 1 plays once in the background,
// 3 loops.
constexpr int kSoundPlayAndWait = 0;
constexpr int kSoundPlayBackground = 1;
constexpr int kSoundPlayLoop = 3;

// bufferCount: how many copies may sound at once (1-10, more counts as 10);
// sharedHandle: a memory sound whose sample memory the new buffers share, or
// -1. A sound longer than 180 seconds is streamed whatever the create type.
int LoadSoundFileToHandle(const char* path, int bufferCount, int sharedHandle);
// The same from a file image in memory, which the caller keeps.
int CreateSoundHandleFromMemory(const void* image, int size, int bufferCount, int sharedHandle);
int DeleteSoundHandle(int handle, int unused);
int DeleteAllSoundHandles(int unused);
// restart 1 plays from the top; 0 resumes where the sound stopped.
int PlaySoundHandle(int handle, int playType, int restart);
int StopSoundHandle(int handle);
// 1 while the sound plays, 0 when it does not.
int CheckSoundHandlePlaying(int handle);
// 0 (silent) .. 10000 (full); values outside are clamped.
int SetSoundHandleVolume(int volume, int handle);
int GetSoundHandleVolume(int handle);
// -10000 (left) .. 10000 (right).
int SetSoundHandlePan(int pan, int handle);
int GetSoundHandlePan(int handle);
// Playback rate in Hz; -1 the data's own rate.
int SetSoundHandleFrequency(int hz, int handle);
int GetSoundHandleFrequency(int handle);
// Positions are bytes of the sound's PCM data.
int SetSoundHandlePosition(int byteOffset, int handle);
int GetSoundHandlePosition(int handle);
int GetSoundHandlePositionMs(int handle);
int GetSoundTotalSamples(int handle);
int GetSoundHandleTotalTimeMs(int handle);
// Where a looping play goes back to after the end; -1 plays to the end. A
// memory sound becomes a stream sound with the same handle.
int SetSoundLoopPositionSamples(int sample, int handle);
int SetSoundLoopPositionMs(int ms, int handle);
int ConvertSoundHandleToStream(int handle);
int ConvertMsToSamples(int samplesPerSec, int ms);
int ConvertSamplesToMs(int samples, int samplesPerSec);
// How later loads keep their data: 0 decoded into memory, 2 streamed from a
// copy of the file in memory, 3 streamed from the file; 1 counts as 0.
int SetSoundCreateType(int type);
int GetSoundCreateType();
// Bit 0 WAV PCM, 1 compressed WAV, 2 Ogg Vorbis, 3 MP3, 4 the last-resort
// decoder: a set bit skips that decoder when files are opened.
int SetSoundDecoderDisableMask(int mask);
int GetSoundDecoderDisableMask();

// Network. A connection carries messages: the bytes of each write go out as
// one message with its length in front, and they become readable once the
// whole message has arrived. Connection handles last until CloseSocketHandle
// or EndLibrary; all calls belong on the window's thread.
//
// Listens on the port (1-65535) of every local address; -1 when already
// listening or when the port cannot be had. Connections are accepted while
// messages are processed.
int StartListenNetWork(int port);
int StopListenNetWork();
// A connection accepted since the last call, oldest first, or -1.
int GetNewAcceptNetWork();
// Connects to a dotted IPv4 address or a host name and waits (at most ten
// seconds) until the connection stands; the handle, or -1 when refused.
int ConnectNetWork(const char* host, int port);
// 1 while connected, 0 once the peer has closed the connection.
int IsNetWorkConnected(int handle);
// The peer's IPv4 address bytes and port; either pointer may be null.
int GetNetWorkPeerAddress(int handle, unsigned char address[4], int* port);
// The bytes of whole messages that are ready to read.
int GetNetWorkDataLength(int handle);
// Copies at most size ready bytes into buffer; the count copied.
int ReadNetWorkData(int handle, void* buffer, int size);
// Queues the bytes as a message and starts sending; -1 once the peer has
// closed the connection.
int WriteNetWorkData(int handle, const void* data, int size);
// Finishes a message under way and sends what is queued (each for at most a
// second), then closes the connection; also ends listening for its handle.
int CloseSocketHandle(int handle);

// Datagram sockets, bound to the port (-1 or 0: one the system chooses).
int MakeDatagramSocket(int port);
int SendDatagram(int handle, const char* host, int port, const void* data, int size);
// 1 when a datagram has arrived since the last ReceiveDatagram.
int IsDatagramWaiting(int handle);
// Takes one datagram: its size, or -1 when none waits or it was longer than
// the buffer (its rest is lost). The sender's address and port may be null.
int ReceiveDatagram(int handle, void* buffer, int size, unsigned char address[4], int* port);
int DropSocketHandle(int handle);

#endif

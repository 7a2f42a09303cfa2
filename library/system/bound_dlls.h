// The system functions the library calls without linking them: each module is
// loaded by name at start-up and its functions are looked up one by one. An
// entry stays null when its module or function is missing, so every caller
// checks the entry before calling through it.
#ifndef OMBREL_SYSTEM_BOUND_DLLS_H
#define OMBREL_SYSTEM_BOUND_DLLS_H

#include <windows.h>
#include <mmsystem.h>

struct hostent;
struct sockaddr;
struct WSAData;
struct HIMC__;
struct tagCANDIDATELIST;

// The fields of each record follow the binding order: the module handle,
// then one entry per function.
struct Ws2Functions {
  HMODULE module;
  int(WINAPI* WSAGetLastError)();
  int(WINAPI* WSAStartup)(WORD version, WSAData* data);
  int(WINAPI* WSACleanup)();
  int(WINAPI* WSAAsyncSelect)(UINT_PTR socket, HWND window, UINT message, LONG events);
  hostent*(WINAPI* gethostbyaddr)(const char* address, int length, int type);
  hostent*(WINAPI* gethostbyname)(const char* name);
  int(WINAPI* gethostname)(char* name, int length);
  unsigned short(WINAPI* ntohs)(unsigned short value);
  unsigned short(WINAPI* htons)(unsigned short value);
  int(WINAPI* connect)(UINT_PTR socket, const sockaddr* address, int length);
  UINT_PTR(WINAPI* socket)(int family, int type, int protocol);
  int(WINAPI* send)(UINT_PTR socket, const char* buffer, int length, int flags);
  int(WINAPI* sendto)(UINT_PTR socket, const char* buffer, int length, int flags,
                      const sockaddr* to, int toLength);
  int(WINAPI* recvfrom)(UINT_PTR socket, char* buffer, int length, int flags, sockaddr* from,
                        int* fromLength);
  UINT_PTR(WINAPI* accept)(UINT_PTR socket, sockaddr* address, int* length);
  int(WINAPI* closesocket)(UINT_PTR socket);
  int(WINAPI* shutdown)(UINT_PTR socket, int how);
  int(WINAPI* listen)(UINT_PTR socket, int backlog);
  int(WINAPI* bind)(UINT_PTR socket, const sockaddr* address, int length);
  unsigned long(WINAPI* inet_addr)(const char* text);
  int(WINAPI* recv)(UINT_PTR socket, char* buffer, int length, int flags);
};

struct ImmFunctions {
  HMODULE module;
  HIMC__*(WINAPI* ImmGetContext)(HWND window);
  BOOL(WINAPI* ImmReleaseContext)(HWND window, HIMC__* context);
  BOOL(WINAPI* ImmGetOpenStatus)(HIMC__* context);
  BOOL(WINAPI* ImmGetConversionStatus)(HIMC__* context, DWORD* conversion, DWORD* sentence);
  BOOL(WINAPI* ImmNotifyIME)(HIMC__* context, DWORD action, DWORD index, DWORD value);
  BOOL(WINAPI* ImmSetOpenStatus)(HIMC__* context, BOOL open);
  DWORD(WINAPI* ImmGetCandidateListA)(HIMC__* context, DWORD index, tagCANDIDATELIST* list,
                                      DWORD length);
  LONG(WINAPI* ImmGetCompositionStringA)(HIMC__* context, DWORD index, void* buffer, DWORD length);
  BOOL(WINAPI* ImmSetCompositionStringA)(HIMC__* context, DWORD index, void* composition,
                                         DWORD compositionLength, void* reading,
                                         DWORD readingLength);
};

struct WinmmFunctions {
  HMODULE module;
  MMRESULT(WINAPI* timeSetEvent)(UINT delay, UINT resolution, LPTIMECALLBACK callback,
                                 DWORD_PTR user, UINT flags);
  MMRESULT(WINAPI* timeKillEvent)(UINT timerId);
  MMRESULT(WINAPI* timeBeginPeriod)(UINT period);
  MMRESULT(WINAPI* timeEndPeriod)(UINT period);
  DWORD(WINAPI* timeGetTime)();
  MMRESULT(WINAPI* timeGetDevCaps)(TIMECAPS* caps, UINT size);
  MMRESULT(WINAPI* joyGetPosEx)(UINT joystick, JOYINFOEX* info);
  MMRESULT(WINAPI* joyGetDevCapsA)(UINT_PTR joystick, JOYCAPSA* caps, UINT size);
  MCIERROR(WINAPI* mciSendCommandA)(MCIDEVICEID device, UINT message, DWORD_PTR flags,
                                    DWORD_PTR parameters);
};

struct Ole32Functions {
  HMODULE module;
  HRESULT(WINAPI* CoCreateInstance)(REFCLSID classId, IUnknown* outer, DWORD context,
                                    REFIID interfaceId, void** object);
  void*(WINAPI* CoTaskMemAlloc)(SIZE_T size);
  void(WINAPI* CoTaskMemFree)(void* block);
  HRESULT(WINAPI* CoInitialize)(void* reserved);
  void(WINAPI* CoFreeUnusedLibraries)();
  void(WINAPI* CoUninitialize)();
};

struct Comctl32Functions {
  HMODULE module;
  void(WINAPI* InitCommonControls)();
};

struct DwmapiFunctions {
  HMODULE module;
  HRESULT(WINAPI* DwmEnableComposition)(UINT action);
};

struct User32Functions {
  HMODULE module;
  BOOL(WINAPI* WINNLSEnableIME)(HWND window, BOOL enable);
};

struct BoundDllFunctions {
  Ws2Functions ws2;
  ImmFunctions imm;
  WinmmFunctions winmm;
  Ole32Functions ole32;
  Comctl32Functions comctl32;
  DwmapiFunctions dwmapi;
  User32Functions user32;
};

// Start-up binds ws2_32, Imm32, winmm, ole32 and comctl32 first and dwmapi
// and User32 later; a module already loaded is left as it is.
void BindSystemDlls();
void BindLateSystemDlls();
// Frees every bound module and nulls all of its entries.
void UnbindSystemDlls();

#endif

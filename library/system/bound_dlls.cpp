#include "system/bound_dlls.h"

#include <stddef.h>

#include <iterator>

#include "system/system_state.h"

namespace {

// A bound record seen as what it is laid out as: the module handle, then one
// entry per name in the order of its name list.
struct ModuleBinding {
  const char* module;
  const char* const* names;
  int count;
  size_t offset;  // of the record inside BoundDllFunctions
};

constexpr const char* kWs2Names[] = {
    "WSAGetLastError", "WSAStartup", "WSACleanup", "WSAAsyncSelect", "gethostbyaddr",
    "gethostbyname",   "gethostname", "ntohs",     "htons",          "connect",
    "socket",          "send",        "sendto",    "recvfrom",       "accept",
    "closesocket",     "shutdown",    "listen",    "bind",           "inet_addr",
    "recv"};
constexpr const char* kImmNames[] = {
    "ImmGetContext",    "ImmReleaseContext",    "ImmGetOpenStatus",
    "ImmGetConversionStatus", "ImmNotifyIME",   "ImmSetOpenStatus",
    "ImmGetCandidateListA",   "ImmGetCompositionStringA", "ImmSetCompositionStringA"};
constexpr const char* kWinmmNames[] = {
    "timeSetEvent", "timeKillEvent",  "timeBeginPeriod", "timeEndPeriod",  "timeGetTime",
    "timeGetDevCaps", "joyGetPosEx", "joyGetDevCapsA",  "mciSendCommandA"};
constexpr const char* kOle32Names[] = {"CoCreateInstance", "CoTaskMemAlloc",
                                       "CoTaskMemFree",    "CoInitialize",
                                       "CoFreeUnusedLibraries", "CoUninitialize"};
constexpr const char* kComctl32Names[] = {"InitCommonControls"};
constexpr const char* kDwmapiNames[] = {"DwmEnableComposition"};
constexpr const char* kUser32Names[] = {"WINNLSEnableIME"};

template <typename Record, size_t N>
constexpr ModuleBinding MakeBinding(const char* module, const char* const (&names)[N],
                                    size_t offset) {
  static_assert(sizeof(Record) == sizeof(void*) * (N + 1),
                "a bound record is its module handle and one entry per name");
  return {module, names, static_cast<int>(N), offset};
}

// In binding order: the first five at the start of start-up, the last two
// later in it.
constexpr ModuleBinding kBindings[] = {
    MakeBinding<Ws2Functions>("ws2_32.dll", kWs2Names, offsetof(BoundDllFunctions, ws2)),
    MakeBinding<ImmFunctions>("Imm32.dll", kImmNames, offsetof(BoundDllFunctions, imm)),
    MakeBinding<WinmmFunctions>("winmm.dll", kWinmmNames, offsetof(BoundDllFunctions, winmm)),
    MakeBinding<Ole32Functions>("ole32.dll", kOle32Names, offsetof(BoundDllFunctions, ole32)),
    MakeBinding<Comctl32Functions>("comctl32.dll", kComctl32Names,
                                   offsetof(BoundDllFunctions, comctl32)),
    MakeBinding<DwmapiFunctions>("dwmapi.dll", kDwmapiNames, offsetof(BoundDllFunctions, dwmapi)),
    MakeBinding<User32Functions>("User32.dll", kUser32Names, offsetof(BoundDllFunctions, user32)),
};
constexpr int kEarlyBindingCount = 5;
constexpr int kUnloadOrder[] = {5, 6, 0, 1, 2, 3, 4};

void** RecordSlots(const ModuleBinding& binding) {
  return reinterpret_cast<void**>(reinterpret_cast<char*>(&GetSystemState().dlls) +
                                  binding.offset);
}

void Bind(const ModuleBinding& binding) {
  void** slots = RecordSlots(binding);
  if (slots[0]) return;
  HMODULE module = LoadLibraryA(binding.module);
  slots[0] = reinterpret_cast<void*>(module);
  if (!module) return;
  for (int i = 0; i < binding.count; ++i) {
    slots[1 + i] = reinterpret_cast<void*>(GetProcAddress(module, binding.names[i]));
  }
}

}  // namespace

void BindSystemDlls() {
  for (int i = 0; i < kEarlyBindingCount; ++i) Bind(kBindings[i]);
}

void BindLateSystemDlls() {
  for (int i = kEarlyBindingCount; i < static_cast<int>(std::size(kBindings)); ++i) {
    Bind(kBindings[i]);
  }
}

void UnbindSystemDlls() {
  for (int index : kUnloadOrder) {
    void** slots = RecordSlots(kBindings[index]);
    if (slots[0]) FreeLibrary(static_cast<HMODULE>(slots[0]));
    for (int i = 0; i <= kBindings[index].count; ++i) slots[i] = nullptr;
  }
}

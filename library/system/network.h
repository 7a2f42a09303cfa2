// The socket layer's entries that start-up, shut-down, the message pass and
// the window procedure call.
#ifndef OMBREL_SYSTEM_NETWORK_H
#define OMBREL_SYSTEM_NETWORK_H

#include <windows.h>

constexpr UINT kSocketWindowMessage = 0x505;

int EndNetWork();
int PumpNetWorkMessages(int closeFailed);
LRESULT HandleSocketMessage(WPARAM socket, LPARAM eventWord);

#endif

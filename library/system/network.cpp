#include "system/network.h"

// Nothing starts the network yet, so there is no hidden socket window to
// pump, no socket event to handle and nothing to end.
int EndNetWork() { return 0; }

int PumpNetWorkMessages(int closeFailed) { return 0; }

LRESULT HandleSocketMessage(WPARAM socket, LPARAM eventWord) { return 0; }

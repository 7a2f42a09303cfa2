// The shop's description window: the item being bought or sold, described.
#ifndef MOONLITCAIRN_CSTOREDESCWINDOW_H
#define MOONLITCAIRN_CSTOREDESCWINDOW_H

#include "CMsgWindow.h"

class CStoreDescWindow : public CMsgWindow {};

#endif

// The active file functions and the stream layer over them.
#ifndef OMBREL_SYSTEM_FILE_ACCESS_H
#define OMBREL_SYSTEM_FILE_ACCESS_H

#include "Ombrel.h"

// The table every library read goes through; a copy may be kept by readers
// that must outlive a later install.
const FileAccessTable* GetFileAccessTable();

#endif

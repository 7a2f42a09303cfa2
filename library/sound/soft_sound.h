// Soft sounds: sample data, and players that play samples a program feeds
// into a ring through an output buffer kept a little ahead of its cursor.
#ifndef OMBREL_SOUND_SOFT_SOUND_H
#define OMBREL_SOUND_SOFT_SOUND_H

#include "sound/sound_record.h"

int DeleteSoftSoundHandle(int handle, int kind);
int DeleteAllSoftSoundData();
int DeleteAllSoftSoundPlayers();
// One refill of a playing player; 0.
int ProcessSoftSoundPlayer(SoftSoundRecord* player);

#endif

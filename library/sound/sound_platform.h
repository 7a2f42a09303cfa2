// What the sound code needs of the rest of the library while it waits: one
// message pass, a sleep, and the fatal exit. Declared here so that units
// without Windows calls can wait for a sound.
#ifndef OMBREL_SOUND_SOUND_PLATFORM_H
#define OMBREL_SOUND_SOUND_PLATFORM_H

// One pass of the library's message processing; non-zero once the
// application is ending.
int RunSoundMessagePass();
void SleepSoundThread(int milliseconds);
[[noreturn]] void ExitSoundWithError(const char* text);

#endif

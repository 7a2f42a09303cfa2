// What the movie code needs of Windows beyond the sound code's waits: a
// worker thread for the Theora decoder. Declared here so that the decoder
// builds without Windows.
#ifndef OMBREL_SOUND_MOVIE_PLATFORM_H
#define OMBREL_SOUND_MOVIE_PLATFORM_H

#include <stdint.h>

// Starts proc(argument) on a new thread; 0 when it cannot be made.
uintptr_t StartMovieThread(int (*proc)(void* argument), void* argument, uint32_t* threadId);
// Closes the handle of a thread that has ended.
void CloseMovieThread(uintptr_t thread);
// Sleep(0) gives up the rest of the time slice; Sleep(1) waits a tick.
void SleepMovieThread(int milliseconds);

#endif

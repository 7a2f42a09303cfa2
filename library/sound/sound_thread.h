// The sound thread: on machines with more than one processor it refills
// every streaming sound and soft-sound player every 30 ms at time-critical
// priority. The stop flag runs 0 (run), 1 (stop asked), 2 (stopped).
#ifndef OMBREL_SOUND_SOUND_THREAD_H
#define OMBREL_SOUND_SOUND_THREAD_H

// Creates the thread when the processor count is above 1.
void StartSoundThread();
// Asks the thread to stop and waits until it has ended.
void StopSoundThread();

#endif

// libVelmora: the sound library's C interface.
//
// Every handle is pointer-sized; 0 is "no sound" and is accepted everywhere,
// as are handles that were never given out or were already freed (the call
// then does nothing and returns 0). No call waits for a sound to end.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#ifdef __cplusplus
extern "C" {
#endif
#define VELMORA_API __attribute__((visibility("default")))

// What the sound server shows for the program: the desktop entry's icon and
// the role of a game, which lets a desktop apply its policies for games.
#define VELMORA_SOUND_ICON_NAME "org.example.Velmora"
#define VELMORA_SOUND_ROLE "game"

// Puts the icon name and the role in the environment, where PulseAudio's
// client library (which SDL uses, with PulseAudio or with PipeWire's server
// for PulseAudio clients) takes them when the library connects, leaving a
// value the user set. dsInitialize calls it; a host that starts the
// library on a thread of its own while other threads run calls it first,
// before those threads start, since changing the environment is not safe
// while another thread reads it.
static inline void velmora_sound_environment(void) {
    setenv("PULSE_PROP_application.icon_name", VELMORA_SOUND_ICON_NAME, 0);
    setenv("PULSE_PROP_media.role", VELMORA_SOUND_ROLE, 0);
}

// Create flags. An effect restarts from its beginning on every play; a buffer
// without DS_EFFECT (the music) keeps going when it is asked to play while it
// already plays, so ticking the music twice does not jump back to the start.
#define DS_STATIC 1
#define DS_EFFECT 2

// Opens the audio device (the window is not needed) and returns a context,
// 0 when there is no audio. The music and the effects play as two streams,
// the music's with a long buffer (it keeps playing on a loaded machine), the
// effects' with a short one (a click is heard at once). Each stream is held
// only while a sound of its kind plays: about a second after the last has
// ended it is closed, so the sound server can let the card sleep, and the
// next sound opens it again.
//
// The program is named to the sound server as "Velmora" through SDL's hints,
// and by the sound server's properties taken from the environment where the
// server's client library reads them (see velmora_sound_environment).
VELMORA_API intptr_t dsInitialize(intptr_t window);
// A buffer from a whole wave-file image, header included. The length is taken
// from the RIFF header, so the image must really be that long; prefer
// dsCreateDSBSized when the length is known.
VELMORA_API intptr_t dsCreateDSB(intptr_t context, const void* image, intptr_t flags);
// The same, never reading beyond `size` bytes. 0 for anything that is not a
// playable wave image.
VELMORA_API intptr_t dsCreateDSBSized(intptr_t context, const void* image, size_t size, intptr_t flags);
// The same from an open wave file, read from its start (the library takes a
// descriptor of its own; the caller closes `fd` when it likes). An effect is
// read whole and kept as samples, so it starts at once. Music of integer PCM
// (8, 16 or 32 bits) or 32-bit float is not kept: it is read from the file a
// little ahead of the device as it plays, so a change to the file's bytes is
// heard; music of any other encoding is read whole like an effect.
VELMORA_API intptr_t dsCreateDSBFromFile(intptr_t context, int fd, intptr_t flags);
VELMORA_API intptr_t dsPlay(intptr_t buffer);
VELMORA_API intptr_t dsPlayLooping(intptr_t buffer);
VELMORA_API intptr_t dsStop(intptr_t buffer);
VELMORA_API intptr_t dsFree(intptr_t buffer);
// Closes the device and frees the context's buffers.
VELMORA_API intptr_t dsTerminate(intptr_t context);

// For tests: stops the device from pulling sound by itself and runs the
// mixer for `frames` frames at once, writing interleaved 32-bit float samples
// (dsDebugFormat's channels per frame) to `out` when it is not null. Call it
// with 0 frames first to take the mixer over. Returns the frames mixed.
VELMORA_API intptr_t dsDebugMixFrames(intptr_t context, intptr_t frames, float* out);
// For tests: the device's sample rate and channel count.
VELMORA_API intptr_t dsDebugFormat(intptr_t context, int* rate, int* channels);
#ifdef __cplusplus
}
#endif

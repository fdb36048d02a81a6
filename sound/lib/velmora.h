// libVelmora: the sound library's C interface.
#pragma once
#include <stddef.h>
#include <stdint.h>
#ifdef __cplusplus
extern "C" {
#endif
#define VELMORA_API __attribute__((visibility("default")))
VELMORA_API intptr_t dsInitialize(intptr_t window);
VELMORA_API intptr_t dsCreateDSB(intptr_t context, const void* image, intptr_t flags);
VELMORA_API intptr_t dsPlay(intptr_t buffer);
VELMORA_API intptr_t dsPlayLooping(intptr_t buffer);
VELMORA_API intptr_t dsStop(intptr_t buffer);
VELMORA_API intptr_t dsFree(intptr_t buffer);
VELMORA_API intptr_t dsTerminate(intptr_t context);
#ifdef __cplusplus
}
#endif

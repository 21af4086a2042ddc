// The exports of libVesk.so: MAC and IPv4 of a computer, and the platform test.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Results live in per-thread static buffers of the library: copy them before the next call of
// the same export on the same thread. Threads may call at the same time. Each function upper-cases
// the ASCII letters of its argument in place.

// MAC text "XX-XX-XX-XX-XX-XX" of the computer with this NetBIOS name, or "".
const char *Vesk_1(char *name);

// IPv4 text of this host name (system resolver, then a NetBIOS name query), or "".
const char *Vesk_2(char *name);

// Vesk_1 and Vesk_2 of the text after the first two characters ("\\PC" from the
// spooler); a text shorter than two characters gives "".
const char *Vesk_1__1(char *name);
const char *Vesk_2__2(char *name);

// 1: the platform has change notifications (the programs' "NT family" test).
int32_t Vesk_7(void);

#ifdef __cplusplus
}
#endif

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

// The submitting computer of a spooler machine name: two characters ("\\" from the spooler),
// then a computer name or an address. Name is the computer's name as the Windows spooler gives it
// (a NetBIOS name; for an address the NetBIOS computer name from one node status exchange, else
// the reverse DNS name, else the address), Mac as Vesk_1, Ip the IPv4 or IPv6 address. The
// argument is left as it is. Returns 0, with empty texts, for a text shorter than three
// characters; 1 otherwise.
typedef struct VeskComputer
{
    char Name[256];
    char Mac[18];
    char Ip[64];
} VeskComputer;
int32_t Vesk_Computer(const char *machineName, VeskComputer *computer);

// 1: the platform has change notifications (the programs' "NT family" test).
int32_t Vesk_7(void);

#ifdef __cplusplus
}
#endif

#pragma once
// Host identification: the host application's name to an EHost value, and an EHost back to a
// display name. Reentrant; no locks.

#include "framework/EHost.h"

// Lower-cases the name (its first 255 characters) and returns the host of the first match text
// found in it, in a fixed order (a name containing both "cubase" and "live" is Cubase);
// kHostUnknown when nothing matches or the name is null. Never returns kHostUninit.
EHost LookUpHost(const char* name);

// Writes the host's display name, or "Unknown" for a value without one. buffer holds at least
// kHostNameStrLen bytes.
constexpr int kHostNameStrLen = 19;
void GetHostNameStr(EHost host, char* buffer);

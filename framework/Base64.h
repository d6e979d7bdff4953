#pragma once
// Base64 with the standard alphabet and "=" padding (RFC 4648), no line breaks. Used to write
// preset chunks as text that a plug-in's constructor can read back (MakePresetFromBlob).
// Reentrant; no locks.

#include <cstdint>
#include <string>

// The text for `size` bytes at `data`; empty for no bytes.
std::string Base64Encode(const uint8_t* data, int size);

// Decodes `text` into `out`, which holds `outSize` bytes. Reading stops at the end of the text or
// at the first character outside the alphabet (so "=" ends it); once `out` is full, further
// characters produce nothing. Bytes of `out` that receive nothing are left as they are.
// Returns the number of bytes written.
int Base64Decode(const char* text, uint8_t* out, int outSize);

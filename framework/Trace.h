#pragma once
// Diagnostics. The framework marks interesting points with Trace calls; in this system they
// produce nothing, so they cost a call and no output. The debug-name lookups feed Trace only and
// answer an empty text. All functions are reentrant and take no lock.

#if defined(__GNUC__) || defined(__clang__)
#define KESTRION_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define KESTRION_PRINTF_FORMAT(fmt, args)
#endif

// A trace point: location (function) name, line number, printf-style format and arguments.
void Trace(const char* funcName, int line, const char* format, ...) KESTRION_PRINTF_FORMAT(3, 4);

const char* VSTOpcodeStr(int opCode);
const char* AUSelectStr(int select);
const char* AUPropertyStr(int propID);
const char* AUScopeStr(int scope);

// Copies src into dest, lower-casing every character with the C library, terminator included.
// dest must hold strlen(src) + 1 bytes; it may be the same buffer as src.
void ToLower(char* dest, const char* src);

#include "framework/Trace.h"

#include <cctype>

void Trace(const char* /*funcName*/, int /*line*/, const char* /*format*/, ...) {}

const char* VSTOpcodeStr(int /*opCode*/) { return ""; }
const char* AUSelectStr(int /*select*/) { return ""; }
const char* AUPropertyStr(int /*propID*/) { return ""; }
const char* AUScopeStr(int /*scope*/) { return ""; }

void ToLower(char* dest, const char* src)
{
  if (!dest || !src)
    return;
  do
    *dest++ = static_cast<char>(std::tolower(static_cast<unsigned char>(*src)));
  while (*src++);
}

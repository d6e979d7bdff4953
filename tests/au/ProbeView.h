#pragma once
// The probe plug-in's editor (ProbePlugin.cpp) opens no real window. The control it hands
// back from a Carbon view's create call is this record, one per probe bundle, so that a host
// can see which editor calls reached it.

namespace autest
{
struct ProbeWindowLog
{
  int opens = 0;          // Carbon OpenWindow calls
  int closes = 0;         // CloseWindow calls
  void* window = nullptr; // the host window of the last OpenWindow
};
} // namespace autest

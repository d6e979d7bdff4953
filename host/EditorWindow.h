#pragma once
// The editor window: a module of its own (kestrion-editor-window.so beside the command), loaded
// only when a window is wanted, so the command needs no window system otherwise.

#include <AudioUnit/AudioUnit.h>

#include <cstddef>

// Opens the unit's Cocoa editor view, made by the view factory the unit names through
// kAudioUnitProperty_CocoaUI, in a window of its own, and runs until the window is closed.
// Returns 0, or 1 with a one-line reason in error when there is no view to show.
extern "C" int KestrionRunEditorWindow(AudioUnit unit, const char* title, char* error,
                                       size_t errorSize);
using KestrionRunEditorWindowProc = int (*)(AudioUnit, const char*, char*, size_t);

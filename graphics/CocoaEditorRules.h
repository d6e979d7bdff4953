#pragma once
// The rules of the editor view that need no window: coordinate conversions between the
// editor (origin top-left, y down) and the view (origin bottom-left, y up), the mapping of
// mouse buttons, modifier keys and keys to the editor's terms, what the value text field
// accepts, and the buttons of a message box. The Cocoa classes call these; the rules are
// tested without a display.

#include <string>
#include <vector>

#include "graphics/IGraphicsTypes.h"

// A rectangle in view coordinates (points).
struct ViewRect
{
  double x = 0.0, y = 0.0, w = 0.0, h = 0.0;
};

// The view rectangle of editor rectangle r in an editor editorHeight pixels high: origin
// (L, H - B - 1), size (R - L + 1, B - T + 1).
ViewRect ViewRectFromIRECT(const IRECT& r, int editorHeight);
// The editor rectangle of view rectangle v: each component truncated, then
// (x, H - y - h, x + w, H - y).
IRECT IRECTFromViewRect(const ViewRect& v, int editorHeight);

struct EditorPoint
{
  int x = 0, y = 0;
};
// The editor point of the view point (px, py): (int(px) - 2, H - 3 - int(py)).
EditorPoint EditorPointFromViewPoint(double px, double py, int editorHeight);

// Modifier keys held with a mouse, wheel or key event.
struct HeldKeys
{
  bool shift = false, control = false, option = false, command = false;
};
// Left-button and wheel events: L set, R when Command is held (a Command-click acts as a
// right-click). Right-button events: R set, L clear. S, C and A from Shift, Control, Option.
IMouseMod MouseModFor(const HeldKeys& keys, bool rightButton);

// The wheel's vertical delta truncated toward zero.
int WheelSteps(double deltaY);

// The editor's key code (kKeySpace, the arrows, digits, letters) for a key event with the
// given virtual key code and its one character ignoring modifiers; -1 for any other key.
int EditorKeyFor(unsigned short virtualKey, unsigned int character);

// Characters the value text field allows for a parameter type (IParam::EParamType):
// digits and signs, and the period for double parameters only. Null for no parameter type.
const char* AllowedEntryCharacters(int paramType);

// Button titles of a message box of the given type, default button first; an empty title
// stands for the window system's default button ("OK").
std::vector<std::string> MessageBoxButtons(int type);
// The answer for the button pressed: 0 the default (1), 1 the alternate (7), 2 the other
// (2); 0 for anything else.
int MessageBoxAnswer(int pressedButton);

// The extensions of a file prompt, split at single spaces ("wav aif" -> wav, aif).
std::vector<std::string> SplitExtensions(const char* extensions);
// The folder of a full path with its trailing '/': "/a/b/c.txt" -> "/a/b/".
std::string FolderOf(const std::string& path);

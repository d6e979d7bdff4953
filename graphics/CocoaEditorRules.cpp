#include "graphics/CocoaEditorRules.h"

#include "framework/IParam.h"
#include "graphics/IGraphics.h"

ViewRect ViewRectFromIRECT(const IRECT& r, int editorHeight)
{
  return ViewRect{double(r.L), double(editorHeight - r.B - 1), double(r.R - r.L + 1),
                  double(r.B - r.T + 1)};
}

IRECT IRECTFromViewRect(const ViewRect& v, int editorHeight)
{
  const int x = int(v.x), y = int(v.y), w = int(v.w), h = int(v.h);
  return IRECT(x, editorHeight - y - h, x + w, editorHeight - y);
}

EditorPoint EditorPointFromViewPoint(double px, double py, int editorHeight)
{
  return EditorPoint{int(px) - 2, editorHeight - 3 - int(py)};
}

IMouseMod MouseModFor(const HeldKeys& keys, bool rightButton)
{
  return IMouseMod(!rightButton, rightButton || keys.command, keys.shift, keys.control,
                   keys.option);
}

int WheelSteps(double deltaY)
{
  return int(deltaY);
}

int EditorKeyFor(unsigned short virtualKey, unsigned int character)
{
  switch (virtualKey)
  {
  case 123:
    return kKeyLeft;
  case 124:
    return kKeyRight;
  case 125:
    return kKeyDown;
  case 126:
    return kKeyUp;
  case 49:
    return kKeySpace;
  default:
    break;
  }
  if (character >= '0' && character <= '9') return kKeyDigit0 + int(character - '0');
  if (character >= 'A' && character <= 'Z') return kKeyA + int(character - 'A');
  if (character >= 'a' && character <= 'z') return kKeyA + int(character - 'a');
  return -1;
}

const char* AllowedEntryCharacters(int paramType)
{
  switch (paramType)
  {
  case IParam::kTypeBool:
  case IParam::kTypeInt:
  case IParam::kTypeEnum:
    return "0123456789-+";
  case IParam::kTypeDouble:
    return "0123456789.-+";
  default:
    return nullptr;
  }
}

std::vector<std::string> MessageBoxButtons(int type)
{
  switch (type)
  {
  case 3:
    return {"Yes", "No", "Cancel"};
  case 4:
    return {"Yes", "No"};
  case 1:
    return {"", "Cancel"};
  default:
    return {""};
  }
}

int MessageBoxAnswer(int pressedButton)
{
  switch (pressedButton)
  {
  case 0:
    return 1;
  case 1:
    return 7;
  case 2:
    return 2;
  default:
    return 0;
  }
}

std::vector<std::string> SplitExtensions(const char* extensions)
{
  std::vector<std::string> parts;
  if (!extensions || !*extensions) return parts;
  const char* start = extensions;
  for (const char* p = extensions;; ++p)
  {
    if (*p == ' ' || *p == '\0')
    {
      parts.emplace_back(start, p);
      if (*p == '\0') break;
      start = p + 1;
    }
  }
  return parts;
}

std::string FolderOf(const std::string& path)
{
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string("/") : path.substr(0, slash + 1);
}

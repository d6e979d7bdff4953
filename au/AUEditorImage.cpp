// The editor drawn off-screen and handed to the host as a copy, and the parameter mapping
// hosts use to read and write preset files.

#include "au/AUEditorImage.h"

#include "au/AUParameterInfo.h"
#include "graphics/IGraphics.h"
#include "raster/Bitmap.h"

#include <CoreAudio/CoreAudioTypes.h>

#include <cstring>

ComponentResult GetEditorImage(IEffectBase& plug, UInt32* size, void* data)
{
  IGraphics* gui = plug.GetGUI();
  if (!gui) return kAudioUnitErr_InvalidProperty;
  const UInt32 width = static_cast<UInt32>(gui->Width());
  const UInt32 height = static_cast<UInt32>(gui->Height());
  const IEffectAUEditorImageHeader header = {width, height, width * 4};
  const UInt32 imageSize = static_cast<UInt32>(sizeof header) + height * header.mRowBytes;
  if (!data)
  {
    *size = imageSize;
    return noErr;
  }
  if (*size != imageSize) return kAudio_ParamError;

  // Every control redrawn, as when the editor first opens; the same cycle the editor's timer
  // runs, without a window to copy to.
  gui->SetAllControlsDirty();
  IRECT dirty;
  if (gui->IsDirty(&dirty)) gui->Draw(&dirty);

  auto* out = static_cast<uint8_t*>(data);
  std::memcpy(out, &header, sizeof header);
  out += sizeof header;
  Raster_IBitmap* bitmap = gui->GetDrawBitmap();
  for (UInt32 y = 0; y < height; ++y, out += header.mRowBytes)
  {
    const Raster_Pixel* row = bitmap ? Raster_RowPointer(bitmap, static_cast<int>(y)) : nullptr;
    // Raster pixels hold A, R, G, B in their bytes in memory order, as the header promises.
    if (row && bitmap->getWidth() >= static_cast<int>(width))
      std::memcpy(out, row, header.mRowBytes);
    else
      std::memset(out, 0, header.mRowBytes);
  }
  return noErr;
}

ComponentResult MapParameter(const IEffectBase& plug, IEffectAUParameterMapping& record)
{
  const IParam* param = ParamAt(plug, record.inParamID);
  if (!param) return kAudioUnitErr_InvalidElement;
  if (record.inValue != record.inValue) return kAudioUnitErr_InvalidPropertyValue; // NaN
  switch (record.inDirection)
  {
  case kIEffectAUMapping_ToNormalized:
    record.outValue = param->GetNormalized(record.inValue);
    return noErr;
  case kIEffectAUMapping_FromNormalized:
    record.outValue = param->FromNormalized(record.inValue);
    return noErr;
  default:
    return kAudioUnitErr_InvalidPropertyValue;
  }
}

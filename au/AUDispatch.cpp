// The component entries: every selector the host sends becomes one call on the plug-in
// object. Arguments arrive in 8-byte slots: for Audio Unit and music-device selectors slot 1
// onwards holds the call's arguments in declared order; CanDo asks about the selector in
// slot 0; Open brings the new instance in slot 1.

#include "au/IEffectAU.h"
#include "au/LiveUnits.h"
#include "graphics/IGraphics.h"

#include <cstring>
#include <mutex>
#include <new>

namespace
{
template <class T> T PointerArg(const ComponentParameters* params, int slot)
{
  return reinterpret_cast<T>(params->params[slot]);
}

UInt32 UIntArg(const ComponentParameters* params, int slot)
{
  return static_cast<UInt32>(params->params[slot]);
}

Float32 FloatArg(const ComponentParameters* params, int slot)
{
  Float32 value;
  std::memcpy(&value, &params->params[slot], sizeof value);
  return value;
}

bool CanDo(int selector)
{
  switch (selector)
  {
  case kAudioUnitInitializeSelect:
  case kAudioUnitUninitializeSelect:
  case kAudioUnitGetPropertyInfoSelect:
  case kAudioUnitGetPropertySelect:
  case kAudioUnitSetPropertySelect:
  case kAudioUnitGetParameterSelect:
  case kAudioUnitSetParameterSelect:
  case kAudioUnitResetSelect:
  case kAudioUnitAddPropertyListenerSelect:
  case kAudioUnitRemovePropertyListenerSelect:
  case kAudioUnitRenderSelect:
  case kAudioUnitAddRenderNotifySelect:
  case kAudioUnitRemoveRenderNotifySelect:
  case kAudioUnitScheduleParametersSelect:
    return true;
  default:
    return false;
  }
}

// What the Carbon view entry keeps per view instance. The edited unit is kept as the host's
// handle and looked up among the open units at every use: it may be closed before the view.
struct CarbonViewRecord
{
  ComponentInstance mViewInstance;
  ComponentInstance mUnit;
};
} // namespace

// ---- Audio unit entry -------------------------------------------------------------------------

ComponentResult IEffectAU::IEffectAUEntry(ComponentParameters* params, void* storage)
{
  if (!params) return paramErr;
  const int select = params->what;

  if (select == kComponentOpenSelect)
  {
    IEffectAU* plug = nullptr;
    try
    {
      plug = MakePlug();
    }
    catch (...) // nothing is thrown across the component boundary
    {
      return memFullErr;
    }
    if (!plug) return memFullErr;
    plug->HostSpecificInit();
    plug->PruneUninitializedPresets();
    const auto instance = PointerArg<ComponentInstance>(params, 1);
    plug->mComponentInstance = instance;
    SetComponentInstanceStorage(instance, reinterpret_cast<Handle>(plug));
    LiveUnits::Add(instance, plug);
    return noErr;
  }

  auto* plug = static_cast<IEffectAU*>(storage);
  if (!plug) return badComponentInstance;

  if (select == kComponentCloseSelect)
  {
    LiveUnits::Remove(plug->mComponentInstance);
    plug->ReleaseConnections();
    delete plug;
    return noErr;
  }

  std::lock_guard<std::recursive_mutex> lock(plug->mMutex);
  switch (select)
  {
  case kComponentCanDoSelect:
    return CanDo(static_cast<SInt16>(params->params[0])) ? 1 : 0;

  case kComponentVersionSelect:
    return plug->GetEffectVersion(false);

  case kAudioUnitInitializeSelect:
    return plug->DoInitialize();

  case kAudioUnitUninitializeSelect:
    return plug->DoUninitialize();

  case kAudioUnitGetPropertyInfoSelect:
  {
    UInt32 localSize = 0;
    Boolean localWritable = false;
    auto* size = PointerArg<UInt32*>(params, 4);
    auto* writable = PointerArg<Boolean*>(params, 5);
    if (!size) size = &localSize;
    if (!writable) writable = &localWritable;
    *writable = false;
    return plug->GetProperty(UIntArg(params, 1), UIntArg(params, 2), UIntArg(params, 3), size,
                             writable, nullptr);
  }

  case kAudioUnitGetPropertySelect:
  {
    auto* data = PointerArg<void*>(params, 4);
    auto* size = PointerArg<UInt32*>(params, 5);
    UInt32 noRoom = 0; // without a size the caller's buffer cannot take anything
    Boolean writable = false;
    return plug->GetProperty(UIntArg(params, 1), UIntArg(params, 2), UIntArg(params, 3),
                             size ? size : &noRoom, &writable, data);
  }

  case kAudioUnitSetPropertySelect:
    return plug->SetProperty(UIntArg(params, 1), UIntArg(params, 2), UIntArg(params, 3),
                             UIntArg(params, 5), PointerArg<const void*>(params, 4));

  case kAudioUnitGetParameterSelect:
    return GetParamProc(plug, UIntArg(params, 1), UIntArg(params, 2), UIntArg(params, 3),
                        PointerArg<AudioUnitParameterValue*>(params, 4));

  case kAudioUnitSetParameterSelect:
    return SetParamProc(plug, UIntArg(params, 1), UIntArg(params, 2), UIntArg(params, 3),
                        FloatArg(params, 4), UIntArg(params, 5));

  case kAudioUnitResetSelect:
    plug->Reset();
    plug->ForgetRenderHistory(); // after a reset no slice is a repeat of one before it
    return noErr;

  case kAudioUnitAddPropertyListenerSelect:
    return plug->AddPropertyListener(UIntArg(params, 1),
                                     PointerArg<AudioUnitPropertyListenerProc>(params, 2),
                                     PointerArg<void*>(params, 3));

  case kAudioUnitRemovePropertyListenerSelect:
    return plug->RemovePropertyListener(
        UIntArg(params, 1), PointerArg<AudioUnitPropertyListenerProc>(params, 2), false, nullptr);

  case kAudioUnitRemovePropertyListenerWithUserDataSelect:
    return plug->RemovePropertyListener(UIntArg(params, 1),
                                        PointerArg<AudioUnitPropertyListenerProc>(params, 2), true,
                                        PointerArg<void*>(params, 3));

  case kAudioUnitRenderSelect:
    return RenderProc(plug, PointerArg<AudioUnitRenderActionFlags*>(params, 1),
                      PointerArg<const AudioTimeStamp*>(params, 2), UIntArg(params, 3),
                      UIntArg(params, 4), PointerArg<AudioBufferList*>(params, 5));

  case kAudioUnitAddRenderNotifySelect:
    return plug->mRenderNotifiers.Add(PointerArg<AURenderCallback>(params, 1),
                                      PointerArg<void*>(params, 2));

  case kAudioUnitRemoveRenderNotifySelect:
    return plug->mRenderNotifiers.Remove(PointerArg<AURenderCallback>(params, 1));

  case kAudioUnitScheduleParametersSelect:
    return plug->ScheduleParameters(PointerArg<const AudioUnitParameterEvent*>(params, 1),
                                    UIntArg(params, 2));

  case kMusicDeviceMIDIEventSelect:
  {
    IMidiMsg msg(static_cast<int>(UIntArg(params, 4)), static_cast<uint8_t>(UIntArg(params, 1)),
                 static_cast<uint8_t>(UIntArg(params, 2)),
                 static_cast<uint8_t>(UIntArg(params, 3)));
    plug->ProcessMidiMsg(&msg);
    return noErr;
  }

  case kMusicDeviceSysExSelect:
  {
    ISysEx sysex(0, PointerArg<const uint8_t*>(params, 1), static_cast<int>(UIntArg(params, 2)));
    plug->ProcessSysEx(&sysex);
    return noErr;
  }

  case kMusicDevicePrepareInstrumentSelect:
  case kMusicDeviceReleaseInstrumentSelect:
  case kMusicDeviceStopNoteSelect:
    return noErr;

  case kMusicDeviceStartNoteSelect:
  {
    // The note instance is named after its pitch; no note reaches the plug-in.
    auto* noteID = PointerArg<NoteInstanceID*>(params, 3);
    const auto* noteParams = PointerArg<const MusicDeviceNoteParams*>(params, 5);
    if (noteID && noteParams)
      *noteID = static_cast<NoteInstanceID>(static_cast<int>(noteParams->mPitch));
    return noErr;
  }

  default:
    return badComponentSelector;
  }
}

// ---- Carbon view entry ------------------------------------------------------------------------

ComponentResult IEffectAU::IEffectAUCarbonViewEntry(ComponentParameters* params, void* storage)
{
  if (!params) return paramErr;
  const int select = params->what;

  if (select == kComponentOpenSelect)
  {
    auto* record =
        new (std::nothrow) CarbonViewRecord{PointerArg<ComponentInstance>(params, 1), nullptr};
    if (!record) return memFullErr;
    SetComponentInstanceStorage(record->mViewInstance, reinterpret_cast<Handle>(record));
    return noErr;
  }

  auto* record = static_cast<CarbonViewRecord*>(storage);
  if (!record) return badComponentSelector;

  switch (select)
  {
  case kAudioUnitCarbonViewCreateSelect:
  {
    auto* unit = PointerArg<ComponentInstance>(params, 5);
    void* window = PointerArg<void*>(params, 4);
    void* parentControl = PointerArg<void*>(params, 3);
    auto* outControl = PointerArg<void**>(params, 0);
    record->mUnit = unit;
    bool opened = false;
    LiveUnits::Visit(unit,
                     [&](IEffectAU& plug)
                     {
                       if (IGraphics* editor = plug.GetGUI())
                       {
                         void* control = editor->OpenWindow(window, parentControl, 0, 0);
                         if (outControl) *outControl = control;
                         opened = true;
                       }
                     });
    return opened ? ComponentResult(noErr) : ComponentResult(badComponentSelector);
  }

  case kComponentCloseSelect:
  {
    LiveUnits::Visit(record->mUnit,
                     [](IEffectAU& plug)
                     {
                       if (IGraphics* editor = plug.GetGUI()) editor->CloseWindow();
                     });
    delete record;
    return noErr;
  }

  default:
    return badComponentSelector;
  }
}

// ---- Selector handlers ------------------------------------------------------------------------

ComponentResult IEffectAU::DoInitialize()
{
  if (!CheckLegalIO()) return badComponentSelector;
  mActive = true;
  ForgetRenderHistory();
  OnParamReset();
  OnActivate(true);
  return noErr;
}

ComponentResult IEffectAU::DoUninitialize()
{
  mActive = false;
  OnActivate(false);
  return noErr;
}

ComponentResult IEffectAU::AddPropertyListener(AudioUnitPropertyID propID,
                                               AudioUnitPropertyListenerProc proc, void* userData)
{
  for (const auto& listener : mPropertyListeners)
    if (listener->mPropID == propID && listener->mProc == proc)
      return noErr; // already listening: the first registration's user data stays
  mPropertyListeners.push_back(
      std::make_unique<ListenerRecord>(ListenerRecord{propID, proc, userData}));
  return noErr;
}

ComponentResult IEffectAU::RemovePropertyListener(AudioUnitPropertyID propID,
                                                  AudioUnitPropertyListenerProc proc,
                                                  bool matchUserData, void* userData)
{
  for (auto it = mPropertyListeners.begin(); it != mPropertyListeners.end(); ++it)
  {
    const ListenerRecord& l = **it;
    if (l.mPropID == propID && l.mProc == proc && (!matchUserData || l.mUserData == userData))
    {
      mPropertyListeners.erase(it);
      break;
    }
  }
  return noErr;
}

ComponentResult IEffectAU::ScheduleParameters(const AudioUnitParameterEvent* events, UInt32 nEvents)
{
  if (!events && nEvents > 0) return paramErr;
  for (UInt32 i = 0; i < nEvents; ++i)
  {
    const AudioUnitParameterEvent& e = events[i];
    if (e.eventType != kParameterEvent_Immediate)
      continue; // ramps are not supported; the host sees the immediate events only
    const OSStatus r =
        SetParamProc(this, e.parameter, e.scope, e.element, e.eventValues.immediate.value,
                     e.eventValues.immediate.bufferOffset);
    if (r != noErr) return r;
  }
  return noErr;
}

void IEffectAU::ReleaseConnections()
{
  for (size_t i = 0; i < mInputBuses.size(); ++i)
  {
    mInputBuses[i]->mConnected = false;
    mInputBuses[i]->mHostChannels = -1;
    *mInputConnections[i] = InputConnection();
  }
  for (auto& bus : mOutputBuses)
  {
    bus->mConnected = false;
    bus->mHostChannels = -1;
  }
}

// ---- Fast-dispatch parameter functions -------------------------------------------------------

// The parameter a host call names: global scope only, and an id inside the table.
OSStatus IEffectAU::FindParam(IEffectAU* plug, AudioUnitParameterID paramID, AudioUnitScope scope,
                              IParam** param)
{
  if (!plug) return badComponentInstance;
  if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
  if (paramID >= static_cast<UInt32>(plug->NParams())) return kAudioUnitErr_InvalidParameter;
  *param = plug->GetParam(static_cast<int>(paramID));
  return noErr;
}

OSStatus IEffectAU::GetParamProc(void* plugObj, AudioUnitParameterID paramID, AudioUnitScope scope,
                                 AudioUnitElement /*element*/, AudioUnitParameterValue* value)
{
  auto* plug = static_cast<IEffectAU*>(plugObj);
  IParam* param = nullptr;
  if (const OSStatus status = FindParam(plug, paramID, scope, &param)) return status;
  if (!value) return paramErr;
  std::lock_guard<std::recursive_mutex> lock(plug->mMutex);
  *value = static_cast<AudioUnitParameterValue>(param->Value());
  return noErr;
}

OSStatus IEffectAU::SetParamProc(void* plugObj, AudioUnitParameterID paramID, AudioUnitScope scope,
                                 AudioUnitElement /*element*/, AudioUnitParameterValue value,
                                 UInt32 /*bufferOffset*/)
{
  auto* plug = static_cast<IEffectAU*>(plugObj);
  IParam* param = nullptr;
  if (const OSStatus status = FindParam(plug, paramID, scope, &param)) return status;
  std::lock_guard<std::recursive_mutex> lock(plug->mMutex);
  param->Set(value);
  if (IGraphics* editor = plug->GetGUI())
    editor->SetParameterFromPlug(static_cast<int>(paramID), value, false);
  plug->OnParamChange(static_cast<int>(paramID));
  return noErr;
}

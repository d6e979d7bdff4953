// State chunks and presets of the plug-in base.

#include "framework/Base64.h"
#include "framework/IEffectBase.h"
#include "graphics/IGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
using Lock = std::lock_guard<std::recursive_mutex>;

// Marks the slots of MakePresetFromNamedParams that no pair has named.
constexpr double kUnnamedMarker = 9.999e-08;

// Bool, int and enum values are given as integers; a fractional value for them is truncated
// as an integer argument would be.
double AsParamValue(const IParam& param, double value)
{
  switch (param.Type())
  {
  case IParam::kTypeBool:
  case IParam::kTypeInt:
  case IParam::kTypeEnum:
    return std::trunc(value);
  default:
    return value;
  }
}

// Writes text as the inside of a C string literal.
void PutQuoted(std::FILE* f, const char* text)
{
  for (const char* p = text; *p; ++p)
  {
    if (*p == '"' || *p == '\\') std::fputc('\\', f);
    std::fputc(*p, f);
  }
}

bool CloseFile(std::FILE* f)
{
  const bool ok = !std::ferror(f);
  return std::fclose(f) == 0 && ok;
}

// Takes a free slot (null when there is none) for a new preset: marked as used, named, its
// chunk emptied for the caller to fill.
IPreset* ClaimPreset(IPreset* freeSlot, const char* name)
{
  if (!freeSlot) return nullptr;
  freeSlot->mInitialized = true;
  CopyBounded(freeSlot->mName, name, IPreset::kNameLen);
  freeSlot->mChunk.Clear();
  return freeSlot;
}
} // namespace

// ---- State ---------------------------------------------------------------------------------

bool IEffectBase::SerializeParams(ByteChunk* chunk)
{
  if (!chunk) return false;
  Lock lock(mMutex);
  for (const auto& param : mParams)
  {
    const double v = param->Value();
    chunk->Put(&v);
  }
  return true;
}

int IEffectBase::UnserializeParams(const ByteChunk* chunk, int startPos)
{
  if (!chunk) return -1;
  Lock lock(mMutex);
  int pos = startPos;
  for (size_t i = 0; i < mParams.size() && pos >= 0; ++i)
  {
    double v = 0.0; // what a missing value counts as
    pos = chunk->Get(&v, pos);
    mParams[i]->Set(v);
  }
  OnParamReset();
  return pos;
}

bool IEffectBase::CompareState(const unsigned char* data, int startPos)
{
  if (!data || startPos < 0) return false;
  for (int i = 0; i < NParams(); ++i)
  {
    double stored;
    std::memcpy(&stored, data + (static_cast<size_t>(startPos) + i) * sizeof(double),
                sizeof(double));
    const double a = static_cast<float>(mParams[static_cast<size_t>(i)]->Value());
    const double b = static_cast<float>(stored);
    if (!(std::fabs(a - b) < 0.00001)) return false;
  }
  return true;
}

void IEffectBase::RedrawParamControls()
{
  if (!mGraphics) return;
  for (int i = 0; i < NParams(); ++i)
    mGraphics->SetParameterFromPlug(i, mParams[static_cast<size_t>(i)]->Value(), false);
}

void IEffectBase::InitChunkWithFrameworkVer(ByteChunk* chunk)
{
  if (!chunk) return;
  chunk->Clear();
  chunk->Put(&kFrameworkChunkMagic);
  chunk->Put(&kFrameworkChunkVersion);
}

int IEffectBase::GetFrameworkVerFromChunk(const ByteChunk* chunk, int* pos)
{
  if (!chunk || !pos || *pos < 0) return 0;
  int32_t magic = 0;
  int next = chunk->Get(&magic, *pos);
  if (next < 0 || magic != kFrameworkChunkMagic) return 0; // no prefix: the state starts right here
  int32_t version = 0;
  next = chunk->Get(&version, next);
  if (next < 0)
  {
    *pos = -1;
    return 0;
  }
  *pos = next;
  return version;
}

// ---- Making presets ------------------------------------------------------------------------

IPreset* IEffectBase::GetNextUninitializedPreset()
{
  for (auto& preset : mPresets)
    if (!preset->mInitialized) return preset.get();
  return nullptr;
}

void IEffectBase::MakeDefaultPreset(const char* name, int count)
{
  for (int i = 0; i < count; ++i)
  {
    IPreset* preset = ClaimPreset(GetNextUninitializedPreset(), name ? name : "Empty");
    if (!preset) return;
    SerializeState(&preset->mChunk);
  }
}

void IEffectBase::EnsureDefaultPreset()
{
  MakeDefaultPreset("Empty", NPresets());
}

void IEffectBase::MakePresetFromValues(const char* name, const double* values, int count)
{
  if (count != NParams()) return;
  IPreset* preset = ClaimPreset(GetNextUninitializedPreset(), name);
  if (!preset) return;
  for (int i = 0; i < count; ++i)
  {
    const double v = AsParamValue(*mParams[static_cast<size_t>(i)], values[i]);
    preset->mChunk.Put(&v);
  }
}

void IEffectBase::MakePresetFromPairs(const char* name, const double* pairs, int nPairs)
{
  IPreset* preset = ClaimPreset(GetNextUninitializedPreset(), name);
  if (!preset) return;

  std::vector<double> values(mParams.size(), kUnnamedMarker);
  for (int k = 0; k < nPairs; ++k)
  {
    const double idx = pairs[2 * k];
    if (idx >= 0 && idx < NParams())
    {
      const size_t i = static_cast<size_t>(idx);
      values[i] = AsParamValue(*mParams[i], pairs[2 * k + 1]);
    }
  }

  for (size_t i = 0; i < mParams.size(); ++i)
  {
    const double v = values[i] == kUnnamedMarker ? mParams[i]->Value() : values[i];
    preset->mChunk.Put(&v);
  }
}

void IEffectBase::MakePresetFromChunk(const char* name, const ByteChunk* chunk)
{
  IPreset* preset = ClaimPreset(GetNextUninitializedPreset(), name);
  if (!preset) return;
  preset->mChunk.PutChunk(chunk);
}

void IEffectBase::MakePresetFromBlob(const char* name, const char* blob, int sizeOfChunk)
{
  if (sizeOfChunk < 0) return;
  std::vector<uint8_t> bytes(static_cast<size_t>(sizeOfChunk), 0);
  Base64Decode(blob, bytes.data(), sizeOfChunk);

  IPreset* preset = ClaimPreset(GetNextUninitializedPreset(), name);
  if (!preset) return;
  preset->mChunk.PutBytes(bytes.data(), sizeOfChunk);
}

void IEffectBase::PruneUninitializedPresets()
{
  // The current index keeps pointing at the same preset when it survives.
  int current = 0;
  for (int i = 0; i < mCurrentPresetIdx && i < NPresets(); ++i)
    if (mPresets[static_cast<size_t>(i)]->mInitialized) ++current;
  if (mCurrentPresetIdx >= 0) mCurrentPresetIdx = current;

  mPresets.erase(std::remove_if(mPresets.begin(), mPresets.end(),
                                [](const std::unique_ptr<IPreset>& p) { return !p->mInitialized; }),
                 mPresets.end());
}

// ---- Using presets -------------------------------------------------------------------------

bool IEffectBase::RestorePreset(int idx)
{
  if (idx < 0 || idx >= NPresets()) return false;
  IPreset* preset = mPresets[static_cast<size_t>(idx)].get();

  if (!preset->mInitialized)
  {
    // A free slot becomes a user preset holding the current settings. Its number counts the
    // user presets there already are, this slot still under its old name.
    int n = 1;
    for (const auto& p : mPresets)
      if (std::strstr(p->mName, "user preset")) ++n;
    preset->mInitialized = true;
    std::snprintf(preset->mName, IPreset::kNameLen, "%s %d", "user preset", n);
    preset->mChunk.Clear();
    if (!SerializeState(&preset->mChunk)) return false;
  }
  else if (UnserializeState(&preset->mChunk, 0) <= 0)
    return false;

  mCurrentPresetIdx = idx;
  PresetsChangedByHost();
  RedrawParamControls();
  return true;
}

bool IEffectBase::RestorePreset(const char* name)
{
  if (!name || !*name) return false;
  for (int i = 0; i < NPresets(); ++i)
    if (std::strcmp(mPresets[static_cast<size_t>(i)]->mName, name) == 0) return RestorePreset(i);
  return false;
}

const char* IEffectBase::GetPresetName(int idx) const
{
  if (idx < 0 || idx >= NPresets()) return "";
  return mPresets[static_cast<size_t>(idx)]->mName;
}

void IEffectBase::StoreStateInPreset(int idx, const char* name)
{
  if (idx < 0 || idx >= NPresets()) return;
  IPreset* preset = mPresets[static_cast<size_t>(idx)].get();
  preset->mChunk.Clear();
  SerializeState(&preset->mChunk);
  if (name && *name) CopyBounded(preset->mName, name, IPreset::kNameLen);
}

void IEffectBase::ModifyCurrentPreset(const char* name)
{
  StoreStateInPreset(mCurrentPresetIdx, name);
}

// ---- The preset bank -----------------------------------------------------------------------

bool IEffectBase::SerializePresets(ByteChunk* chunk)
{
  if (!chunk) return false;
  for (const auto& preset : mPresets)
  {
    chunk->PutStr(preset->mName);
    chunk->PutBool(preset->mInitialized);
    if (preset->mInitialized) chunk->PutChunk(&preset->mChunk);
  }
  return true;
}

int IEffectBase::UnserializePresets(const ByteChunk* chunk, int startPos)
{
  if (!chunk) return -1;
  int pos = startPos;
  for (size_t i = 0; i < mPresets.size() && pos >= 0; ++i)
  {
    IPreset* preset = mPresets[i].get();
    std::string name;
    pos = chunk->GetStr(name, pos);
    CopyBounded(preset->mName, name.c_str(), IPreset::kNameLen);

    if (pos >= 0 && pos < chunk->Size())
    {
      bool initialized = false;
      pos = chunk->GetBool(&initialized, pos);
      preset->mInitialized = initialized;
    }
    else
      pos = -1;

    if (preset->mInitialized)
    {
      // The stored state is applied to the live parameters, and the slot keeps the plug-in's
      // own serialisation of what was read.
      pos = UnserializeState(chunk, pos);
      if (pos > 0)
      {
        preset->mChunk.Clear();
        SerializeState(&preset->mChunk);
      }
    }
  }
  RestorePreset(mCurrentPresetIdx);
  return pos;
}

void IEffectBase::DirtyParameters()
{
  Lock lock(mMutex);
  for (int i = 0; i < NParams(); ++i)
    InformHostOfParamChange(i, mParams[static_cast<size_t>(i)]->GetNormalized());
}

// ---- Saved state for failed loads -----------------------------------------------------------

void IEffectBase::SaveState(SavedState& saved)
{
  saved.mState.Clear();
  SerializeState(&saved.mState);
  saved.mPresets.clear();
  saved.mPresets.reserve(mPresets.size());
  for (const auto& preset : mPresets)
    saved.mPresets.push_back(*preset);
  saved.mCurrentPresetIdx = mCurrentPresetIdx;
}

void IEffectBase::RestoreSavedState(const SavedState& saved)
{
  const size_t n = std::min(saved.mPresets.size(), mPresets.size());
  for (size_t i = 0; i < n; ++i)
    *mPresets[i] = saved.mPresets[i];
  mCurrentPresetIdx = saved.mCurrentPresetIdx;
  UnserializeState(&saved.mState, 0);
  RedrawParamControls();
}

// ---- Developer output ----------------------------------------------------------------------

bool IEffectBase::DumpPresetSrcCode(const char* path, const char* const* paramEnumNames)
{
  if (!path || !paramEnumNames) return false;
  std::FILE* f = std::fopen(path, "w");
  if (!f) return false;
  std::fprintf(f, "  MakePresetFromNamedParams(\"name\", %d", NParams());
  for (int i = 0; i < NParams(); ++i)
  {
    const IParam& param = *mParams[static_cast<size_t>(i)];
    char value[64];
    switch (param.Type())
    {
    case IParam::kTypeBool:
      std::snprintf(value, sizeof(value), "%s", param.Bool() ? "true" : "false");
      break;
    case IParam::kTypeInt:
    case IParam::kTypeEnum:
      std::snprintf(value, sizeof(value), "%d", param.Int());
      break;
    default:
      std::snprintf(value, sizeof(value), "%.6f", param.Value());
      break;
    }
    const char* id = paramEnumNames[i];
    if (id)
      std::fprintf(f, ",\n    %s, %s", id, value);
    else
      std::fprintf(f, ",\n    %d, %s", i, value);
  }
  std::fprintf(f, ");\n");
  return CloseFile(f);
}

bool IEffectBase::DumpPresetBlob(const char* path)
{
  if (!path || mCurrentPresetIdx < 0 || mCurrentPresetIdx >= NPresets()) return false;
  const ByteChunk& chunk = mPresets[static_cast<size_t>(mCurrentPresetIdx)]->mChunk;
  std::FILE* f = std::fopen(path, "w");
  if (!f) return false;
  const std::string text = Base64Encode(chunk.GetBytes(), chunk.Size());
  std::fprintf(f, "MakePresetFromBlob(\"name\", \"");
  std::fprintf(f, "%s\", %i);\n", text.c_str(), chunk.Size());
  return CloseFile(f);
}

bool IEffectBase::DumpBankBlob(const char* path)
{
  if (!path) return false;
  std::FILE* f = std::fopen(path, "w");
  if (!f) return false;
  for (const auto& preset : mPresets)
  {
    const std::string text = Base64Encode(preset->mChunk.GetBytes(), preset->mChunk.Size());
    std::fprintf(f, "MakePresetFromBlob(\"");
    PutQuoted(f, preset->mName);
    std::fprintf(f, "\", \"");
    std::fprintf(f, "%s\", %i);\n", text.c_str(), preset->mChunk.Size());
  }
  return CloseFile(f);
}

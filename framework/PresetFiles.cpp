// FXP program and FXB bank files. Header fields and parameter values are big-endian; chunks
// inside the files keep the native layout of the state chunk.

#include "framework/IEffectBase.h"
#include "framework/WholeFileWrite.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
using Lock = std::lock_guard<std::recursive_mutex>;

// A four-character code as the big-endian 32-bit value whose bytes are its characters.
constexpr uint32_t FourCC(const char (&code)[5])
{
  return (uint32_t(uint8_t(code[0])) << 24) | (uint32_t(uint8_t(code[1])) << 16) |
         (uint32_t(uint8_t(code[2])) << 8) | uint32_t(uint8_t(code[3]));
}

constexpr uint32_t kChunkMagic = FourCC("CcnK");
constexpr uint32_t kProgramParamsMagic = FourCC("FxCk");
constexpr uint32_t kProgramChunkMagic = FourCC("FPCh");
constexpr uint32_t kBankParamsMagic = FourCC("FxBk");
constexpr uint32_t kBankChunkMagic = FourCC("FBCh");

constexpr int kProgramVersion = 1;
constexpr int kBankVersion = 2;
constexpr size_t kProgramNameLen = 28; // at most 27 characters and a zero byte
constexpr size_t kProgramHeaderSize = 56;
constexpr size_t kBankHeaderSize = 156;
constexpr size_t kBankReservedSize = 124;
// Larger files are not preset files of any plug-in; they are refused before being read.
constexpr long kMaxFileSize = 1L << 30;

// ---- Writing -------------------------------------------------------------------------------

void PutBE32(ByteChunk& out, uint32_t v)
{
  const uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
  out.PutBytes(b, 4);
}

void PutBE32(ByteChunk& out, int v)
{
  PutBE32(out, static_cast<uint32_t>(v));
}

void PutBEFloat(ByteChunk& out, float f)
{
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof(bits));
  PutBE32(out, bits);
}

void PutProgramName(ByteChunk& out, const char* name)
{
  char field[kProgramNameLen] = {};
  if (name) std::memcpy(field, name, strnlen(name, kProgramNameLen - 1));
  out.PutBytes(field, static_cast<int>(kProgramNameLen));
}

// The 56 bytes in front of a program's chunk or values, in a program file and in each record
// of a parameter-form bank.
void PutProgramHeader(ByteChunk& out, uint32_t form, int byteSize, const IEffectBase& plug,
                      const char* name)
{
  PutBE32(out, kChunkMagic);
  PutBE32(out, byteSize);
  PutBE32(out, form);
  PutBE32(out, kProgramVersion);
  PutBE32(out, plug.GetUniqueID());
  PutBE32(out, plug.GetEffectVersion(true));
  PutBE32(out, plug.NParams());
  PutProgramName(out, name);
}

// ---- Reading -------------------------------------------------------------------------------

uint32_t BE32(const uint8_t* p)
{
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

int32_t BEInt(const uint8_t* p)
{
  return static_cast<int32_t>(BE32(p));
}

float BEFloat(const uint8_t* p)
{
  const uint32_t bits = BE32(p);
  float f;
  std::memcpy(&f, &bits, sizeof(f));
  return f;
}

// The 28-byte name field as a terminated string (a full field has no zero byte of its own).
std::string ProgramName(const uint8_t* field)
{
  const char* p = reinterpret_cast<const char*>(field);
  return std::string(p, strnlen(p, kProgramNameLen));
}

// A parameter-form program (as a file, or as a record in a bank) with the expected header.
bool IsParamProgram(const uint8_t* p, int nParams)
{
  return BE32(p) == kChunkMagic && BE32(p + 8) == kProgramParamsMagic &&
         BEInt(p + 12) == kProgramVersion && BEInt(p + 24) == nParams;
}

// Bytes [offset + 4, offset + 4 + n) where n is the chunk size stored at offset, when they lie
// within the file; the version prefix, if present, is skipped by *start.
bool ExtractChunk(const uint8_t* data, size_t size, size_t offset, ByteChunk& chunk, int* start)
{
  if (size < offset + 4) return false;
  const uint32_t n = BE32(data + offset);
  if (n > size - offset - 4 || n > static_cast<uint32_t>(kMaxFileSize)) return false;
  chunk.Clear();
  chunk.PutBytes(data + offset + 4, static_cast<int>(n));
  *start = 0;
  IEffectBase::GetFrameworkVerFromChunk(&chunk, start);
  return *start >= 0;
}

// ---- Files ---------------------------------------------------------------------------------

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes)
{
  if (path.empty()) return false;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  const long size = ok ? std::ftell(f) : -1;
  ok = ok && size >= 0 && size <= kMaxFileSize && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok)
  {
    bytes.resize(static_cast<size_t>(size));
    ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
  }
  std::fclose(f);
  return ok;
}
} // namespace

// ---- Building files ------------------------------------------------------------------------

bool IEffectBase::MakeProgramFXP(ByteChunk* file)
{
  if (!file) return false;
  Lock lock(mMutex);
  file->Clear();
  const bool chunkForm = DoesStateChunks();

  ByteChunk state;
  if (chunkForm)
  {
    InitChunkWithFrameworkVer(&state);
    SerializeState(&state);
  }

  PutProgramHeader(*file, chunkForm ? kProgramChunkMagic : kProgramParamsMagic,
                   chunkForm ? state.Size() + 60 : 0, *this, GetPresetName(mCurrentPresetIdx));

  if (chunkForm)
  {
    PutBE32(*file, state.Size());
    file->PutChunk(&state);
  }
  else
  {
    for (const auto& param : mParams)
      PutBEFloat(*file, static_cast<float>(param->GetNormalized()));
  }
  return true;
}

bool IEffectBase::MakeBankFXB(ByteChunk* file)
{
  if (!file) return false;
  Lock lock(mMutex);
  file->Clear();
  const bool chunkForm = DoesStateChunks();

  ByteChunk bank;
  if (chunkForm)
  {
    InitChunkWithFrameworkVer(&bank);
    SerializePresets(&bank);
  }

  PutBE32(*file, kChunkMagic);
  PutBE32(*file, chunkForm ? bank.Size() + 160 : 0);
  PutBE32(*file, chunkForm ? kBankChunkMagic : kBankParamsMagic);
  PutBE32(*file, kBankVersion);
  PutBE32(*file, GetUniqueID());
  PutBE32(*file, GetEffectVersion(true));
  PutBE32(*file, NPresets());
  PutBE32(*file, mCurrentPresetIdx);
  const uint8_t reserved[kBankReservedSize] = {};
  file->PutBytes(reserved, static_cast<int>(kBankReservedSize));

  if (chunkForm)
  {
    PutBE32(*file, bank.Size());
    file->PutChunk(&bank);
    return true;
  }

  // One parameter-form program per slot, its values read from the slot's stored state (a value
  // missing from the chunk counts as 0).
  for (const auto& preset : mPresets)
  {
    PutProgramHeader(*file, kProgramParamsMagic, 0, *this, preset->mName);
    for (size_t i = 0; i < mParams.size(); ++i)
    {
      double v = 0.0;
      preset->mChunk.Get(&v, static_cast<int>(i * sizeof(double)));
      PutBEFloat(*file, static_cast<float>(mParams[i]->GetNormalized(v)));
    }
  }
  return true;
}

bool IEffectBase::SaveProgramAsFXP(const std::string& path)
{
  ByteChunk file;
  return !path.empty() && MakeProgramFXP(&file) &&
         WriteWholeFile(path, file.GetBytes(), static_cast<size_t>(file.Size()));
}

bool IEffectBase::SaveBankAsFXB(const std::string& path)
{
  ByteChunk file;
  return !path.empty() && MakeBankFXB(&file) &&
         WriteWholeFile(path, file.GetBytes(), static_cast<size_t>(file.Size()));
}

// ---- Loading files -------------------------------------------------------------------------
// Everything that can be checked is checked before anything is applied. The one part that can
// only be judged by applying it is a state chunk, which the plug-in's own UnserializeState
// reads; when that reports failure, the saved state is put back.

bool IEffectBase::LoadProgramFromFXPData(const uint8_t* data, size_t size)
{
  if (!data || size < kProgramHeaderSize) return false;
  if (BE32(data) != kChunkMagic || BEInt(data + 12) != kProgramVersion ||
      BEInt(data + 16) != GetUniqueID())
    return false;
  const uint32_t form = BE32(data + 8);
  const std::string name = ProgramName(data + 28);

  if (form == kProgramChunkMagic && DoesStateChunks())
  {
    ByteChunk state;
    int start = 0;
    if (!ExtractChunk(data, size, kProgramHeaderSize, state, &start)) return false;
    SavedState saved;
    SaveState(saved);
    if (UnserializeState(&state, start) < 0)
    {
      RestoreSavedState(saved);
      return false;
    }
  }
  else if (form == kProgramParamsMagic)
  {
    const size_t nParams = mParams.size();
    if (!IsParamProgram(data, NParams()) || (size - kProgramHeaderSize) / 4 < nParams) return false;
    Lock lock(mMutex);
    for (size_t i = 0; i < nParams; ++i)
      mParams[i]->SetNormalized(BEFloat(data + kProgramHeaderSize + 4 * i));
  }
  else
    return false;

  ModifyCurrentPreset(name.c_str());
  // Restoring the current preset applies the new settings once more, which takes them into the
  // processor; without a current preset the processor is told directly.
  if (!RestorePreset(mCurrentPresetIdx))
  {
    Lock lock(mMutex);
    OnParamReset();
  }
  InformHostOfProgramChange();
  return true;
}

bool IEffectBase::LoadBankFromFXBData(const uint8_t* data, size_t size)
{
  if (!data || size < kBankHeaderSize) return false;
  if (BE32(data) != kChunkMagic || BEInt(data + 16) != GetUniqueID()) return false;
  const uint32_t form = BE32(data + 8);

  if (form == kBankChunkMagic && DoesStateChunks())
  {
    ByteChunk bank;
    int start = 0;
    if (!ExtractChunk(data, size, kBankHeaderSize, bank, &start)) return false;
    SavedState saved;
    SaveState(saved);
    if (UnserializePresets(&bank, start) < 0)
    {
      RestoreSavedState(saved);
      return false;
    }
    InformHostOfProgramChange();
    return true;
  }

  if (form != kBankParamsMagic) return false;

  // A bank may hold fewer programs than there are slots, never more; its current program must
  // be one of the slots.
  const int nPrograms = BEInt(data + 24);
  const int currentProgram = BEInt(data + 28);
  if (nPrograms < 0 || nPrograms > NPresets() || currentProgram < 0 || currentProgram >= NPresets())
    return false;
  const size_t nParams = mParams.size();
  const size_t recordSize = kProgramHeaderSize + 4 * nParams;
  if ((size - kBankHeaderSize) / recordSize < static_cast<size_t>(nPrograms)) return false;
  for (int i = 0; i < nPrograms; ++i)
    if (!IsParamProgram(data + kBankHeaderSize + i * recordSize, NParams())) return false;

  for (int i = 0; i < nPrograms; ++i)
  {
    const uint8_t* record = data + kBankHeaderSize + i * recordSize;
    RestorePreset(i); // slot i becomes current; a free slot first takes the current settings
    {
      Lock lock(mMutex);
      for (size_t p = 0; p < nParams; ++p)
        mParams[p]->SetNormalized(BEFloat(record + kProgramHeaderSize + 4 * p));
    }
    // Written to slot i itself: RestorePreset leaves the current index elsewhere when the
    // slot's old state was unreadable.
    mPresets[static_cast<size_t>(i)]->mInitialized = true;
    StoreStateInPreset(i, ProgramName(record + 28).c_str());
  }

  if (!RestorePreset(currentProgram))
  {
    Lock lock(mMutex);
    OnParamReset();
  }
  InformHostOfProgramChange();
  return true;
}

bool IEffectBase::LoadProgramFromFXP(const std::string& path)
{
  std::vector<uint8_t> bytes;
  return ReadWholeFile(path, bytes) && LoadProgramFromFXPData(bytes.data(), bytes.size());
}

bool IEffectBase::LoadBankFromFXB(const std::string& path)
{
  std::vector<uint8_t> bytes;
  return ReadWholeFile(path, bytes) && LoadBankFromFXBData(bytes.data(), bytes.size());
}

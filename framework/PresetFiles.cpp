// FXP program and FXB bank files of the plug-in: its parameters and presets to the records of
// framework/PresetFileFormat.h and back. Chunks inside the files keep the native layout of the
// state chunk.

#include "framework/IEffectBase.h"
#include "framework/PresetFileFormat.h"
#include "framework/WholeFileWrite.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
using Lock = std::lock_guard<std::recursive_mutex>;

// A program record of the plug-in's identity, before its name and contents.
fxfile::Program ProgramOf(const IEffectBase& plug, uint32_t form, const char* name)
{
  fxfile::Program program;
  program.form = form;
  program.pluginID = plug.GetUniqueID();
  program.pluginVersion = plug.GetEffectVersion(true);
  program.numParams = plug.NParams();
  program.name = name ? name : "";
  return program;
}

// The chunk with the version prefix, if present, skipped by *start.
bool ChunkStart(const ByteChunk& chunk, int* start)
{
  *start = 0;
  IEffectBase::GetFrameworkVerFromChunk(&chunk, start);
  return *start >= 0;
}
} // namespace

// ---- Building files ------------------------------------------------------------------------

bool IEffectBase::MakeProgramFXP(ByteChunk* file)
{
  if (!file) return false;
  Lock lock(mMutex);
  file->Clear();
  const bool chunkForm = DoesStateChunks();
  fxfile::Program program =
      ProgramOf(*this, chunkForm ? fxfile::kProgramChunkMagic : fxfile::kProgramParamsMagic,
                GetPresetName(mCurrentPresetIdx));
  if (chunkForm)
  {
    InitChunkWithFrameworkVer(&program.chunk);
    SerializeState(&program.chunk);
  }
  else
  {
    for (const auto& param : mParams)
      program.values.push_back(static_cast<float>(param->GetNormalized()));
  }
  fxfile::WriteProgram(program, *file);
  return true;
}

bool IEffectBase::MakeBankFXB(ByteChunk* file)
{
  if (!file) return false;
  Lock lock(mMutex);
  file->Clear();
  fxfile::Bank bank;
  bank.form = DoesStateChunks() ? fxfile::kBankChunkMagic : fxfile::kBankParamsMagic;
  bank.pluginID = GetUniqueID();
  bank.pluginVersion = GetEffectVersion(true);
  bank.numPrograms = NPresets();
  bank.currentProgram = mCurrentPresetIdx;
  if (DoesStateChunks())
  {
    InitChunkWithFrameworkVer(&bank.chunk);
    SerializePresets(&bank.chunk);
  }
  else
  {
    // One program per slot, its values read from the slot's stored state (a value missing
    // from the chunk counts as 0).
    for (const auto& preset : mPresets)
    {
      fxfile::Program program = ProgramOf(*this, fxfile::kProgramParamsMagic, preset->mName);
      for (size_t i = 0; i < mParams.size(); ++i)
      {
        double v = 0.0;
        preset->mChunk.Get(&v, static_cast<int>(i * sizeof(double)));
        program.values.push_back(static_cast<float>(mParams[i]->GetNormalized(v)));
      }
      bank.programs.push_back(std::move(program));
    }
  }
  fxfile::WriteBank(bank, *file);
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
  fxfile::Program program;
  if (!fxfile::ReadProgram(data, size, program) || program.pluginID != GetUniqueID()) return false;

  if (program.form == fxfile::kProgramChunkMagic)
  {
    int start = 0;
    if (!DoesStateChunks() || !ChunkStart(program.chunk, &start)) return false;
    SavedState saved;
    SaveState(saved);
    if (UnserializeState(&program.chunk, start) < 0)
    {
      RestoreSavedState(saved);
      return false;
    }
  }
  else
  {
    if (program.numParams != NParams()) return false;
    Lock lock(mMutex);
    for (size_t i = 0; i < mParams.size(); ++i)
      mParams[i]->SetNormalized(program.values[i]);
  }

  ModifyCurrentPreset(program.name.c_str());
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
  fxfile::Bank bank;
  if (!fxfile::ReadBank(data, size, bank) || bank.pluginID != GetUniqueID()) return false;

  if (bank.form == fxfile::kBankChunkMagic)
  {
    int start = 0;
    if (!DoesStateChunks() || !ChunkStart(bank.chunk, &start)) return false;
    SavedState saved;
    SaveState(saved);
    if (UnserializePresets(&bank.chunk, start) < 0)
    {
      RestoreSavedState(saved);
      return false;
    }
    InformHostOfProgramChange();
    return true;
  }

  // A bank may hold fewer programs than there are slots, never more; its current program must
  // be one of the slots, and every record must carry this plug-in's parameters.
  if (bank.numPrograms > NPresets() || bank.currentProgram < 0 || bank.currentProgram >= NPresets())
    return false;
  for (const fxfile::Program& program : bank.programs)
    if (program.numParams != NParams()) return false;

  for (int i = 0; i < bank.numPrograms; ++i)
  {
    const fxfile::Program& program = bank.programs[static_cast<size_t>(i)];
    RestorePreset(i); // slot i becomes current; a free slot first takes the current settings
    {
      Lock lock(mMutex);
      for (size_t p = 0; p < mParams.size(); ++p)
        mParams[p]->SetNormalized(program.values[p]);
    }
    // Written to slot i itself: RestorePreset leaves the current index elsewhere when the
    // slot's old state was unreadable.
    mPresets[static_cast<size_t>(i)]->mInitialized = true;
    StoreStateInPreset(i, program.name.c_str());
  }

  if (!RestorePreset(bank.currentProgram))
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
  return fxfile::ReadFile(path, bytes) && LoadProgramFromFXPData(bytes.data(), bytes.size());
}

bool IEffectBase::LoadBankFromFXB(const std::string& path)
{
  std::vector<uint8_t> bytes;
  return fxfile::ReadFile(path, bytes) && LoadBankFromFXBData(bytes.data(), bytes.size());
}

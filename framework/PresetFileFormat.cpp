#include "framework/PresetFileFormat.h"

#include <cstdio>
#include <cstring>

namespace fxfile
{
namespace
{
constexpr int32_t kProgramVersion = 1;
constexpr int32_t kBankVersion = 2;
constexpr size_t kBankReservedSize = 124;
constexpr long kMaxFileSize = 1L << 30;

// ---- Writing -------------------------------------------------------------------------------

void PutBE32(ByteChunk& out, uint32_t v)
{
  const uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
  out.PutBytes(b, 4);
}

void PutBE32(ByteChunk& out, int32_t v)
{
  PutBE32(out, static_cast<uint32_t>(v));
}

void PutBEFloat(ByteChunk& out, float f)
{
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof(bits));
  PutBE32(out, bits);
}

void PutName(ByteChunk& out, const std::string& name)
{
  char field[kProgramNameLen] = {};
  std::memcpy(field, name.c_str(), strnlen(name.c_str(), kProgramNameLen - 1));
  out.PutBytes(field, static_cast<int>(kProgramNameLen));
}

// What program and bank records both open with: the chunk magic, the size field (in chunk form
// the bytes that follow it, 0 in parameter form), the form, the format version, the plug-in's
// id and version, and the record's count (of parameters or of programs).
void PutHeader(ByteChunk& out, int32_t sizeField, uint32_t form, int32_t version, int32_t pluginID,
               int32_t pluginVersion, int32_t count)
{
  PutBE32(out, kChunkMagic);
  PutBE32(out, sizeField);
  PutBE32(out, form);
  PutBE32(out, version);
  PutBE32(out, pluginID);
  PutBE32(out, pluginVersion);
  PutBE32(out, count);
}

// The body of a chunk-form record: the chunk's size, then its bytes.
void PutSizedChunk(ByteChunk& out, const ByteChunk& chunk)
{
  PutBE32(out, chunk.Size());
  out.PutChunk(&chunk);
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

// The chunk whose size is stored at offset, when it lies within the file.
bool ReadChunk(const uint8_t* data, size_t size, size_t offset, ByteChunk& chunk)
{
  if (size < offset + 4) return false;
  const uint32_t n = BE32(data + offset);
  if (n > size - offset - 4 || n > static_cast<uint32_t>(kMaxFileSize)) return false;
  chunk.Clear();
  chunk.PutBytes(data + offset + 4, static_cast<int>(n));
  return true;
}

// A parameter-form program at data; *used receives its length.
bool ReadParamProgram(const uint8_t* data, size_t size, Program& program, size_t* used)
{
  if (size < kProgramHeaderSize || BE32(data) != kChunkMagic ||
      BE32(data + 8) != kProgramParamsMagic || BEInt(data + 12) != kProgramVersion)
    return false;
  program.form = kProgramParamsMagic;
  program.pluginID = BEInt(data + 16);
  program.pluginVersion = BEInt(data + 20);
  program.numParams = BEInt(data + 24);
  const char* name = reinterpret_cast<const char*>(data + 28);
  program.name.assign(name, strnlen(name, kProgramNameLen));
  if (program.numParams < 0 ||
      (size - kProgramHeaderSize) / 4 < static_cast<size_t>(program.numParams))
    return false;
  program.values.resize(static_cast<size_t>(program.numParams));
  for (size_t i = 0; i < program.values.size(); ++i)
    program.values[i] = BEFloat(data + kProgramHeaderSize + 4 * i);
  program.chunk.Clear();
  *used = kProgramHeaderSize + 4 * program.values.size();
  return true;
}
} // namespace

void WriteProgram(const Program& program, ByteChunk& out)
{
  const bool chunkForm = program.form == kProgramChunkMagic;
  PutHeader(out, chunkForm ? program.chunk.Size() + 60 : 0,
            chunkForm ? kProgramChunkMagic : kProgramParamsMagic, kProgramVersion, program.pluginID,
            program.pluginVersion, program.numParams);
  PutName(out, program.name);
  if (chunkForm) return PutSizedChunk(out, program.chunk);
  for (int32_t i = 0; i < program.numParams; ++i)
    PutBEFloat(out, static_cast<size_t>(i) < program.values.size() ? program.values[i] : 0.0f);
}

void WriteBank(const Bank& bank, ByteChunk& out)
{
  const bool chunkForm = bank.form == kBankChunkMagic;
  PutHeader(out, chunkForm ? bank.chunk.Size() + 160 : 0,
            chunkForm ? kBankChunkMagic : kBankParamsMagic, kBankVersion, bank.pluginID,
            bank.pluginVersion, bank.numPrograms);
  PutBE32(out, bank.currentProgram);
  const uint8_t reserved[kBankReservedSize] = {};
  out.PutBytes(reserved, static_cast<int>(kBankReservedSize));
  if (chunkForm) return PutSizedChunk(out, bank.chunk);
  for (const Program& program : bank.programs)
  {
    Program record = program;
    record.form = kProgramParamsMagic;
    WriteProgram(record, out);
  }
}

bool ReadProgram(const uint8_t* data, size_t size, Program& program)
{
  if (!data || size < kProgramHeaderSize || BE32(data) != kChunkMagic ||
      BEInt(data + 12) != kProgramVersion)
    return false;
  if (BE32(data + 8) == kProgramParamsMagic)
  {
    size_t used = 0;
    return ReadParamProgram(data, size, program, &used);
  }
  if (BE32(data + 8) != kProgramChunkMagic) return false;
  program.form = kProgramChunkMagic;
  program.pluginID = BEInt(data + 16);
  program.pluginVersion = BEInt(data + 20);
  program.numParams = BEInt(data + 24);
  const char* name = reinterpret_cast<const char*>(data + 28);
  program.name.assign(name, strnlen(name, kProgramNameLen));
  program.values.clear();
  return ReadChunk(data, size, kProgramHeaderSize, program.chunk);
}

bool ReadBank(const uint8_t* data, size_t size, Bank& bank)
{
  if (!data || size < kBankHeaderSize || BE32(data) != kChunkMagic) return false;
  bank.form = BE32(data + 8);
  bank.pluginID = BEInt(data + 16);
  bank.pluginVersion = BEInt(data + 20);
  bank.numPrograms = BEInt(data + 24);
  bank.currentProgram = BEInt(data + 28);
  bank.programs.clear();
  if (bank.form == kBankChunkMagic) return ReadChunk(data, size, kBankHeaderSize, bank.chunk);
  if (bank.form != kBankParamsMagic || bank.numPrograms < 0) return false;
  bank.chunk.Clear();
  size_t pos = kBankHeaderSize;
  for (int32_t i = 0; i < bank.numPrograms; ++i)
  {
    Program program;
    size_t used = 0;
    if (!ReadParamProgram(data + pos, size - pos, program, &used)) return false;
    bank.programs.push_back(std::move(program));
    pos += used;
  }
  return true;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes)
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
} // namespace fxfile

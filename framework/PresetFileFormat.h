#pragma once
// FXP program and FXB bank files as records, and back: the file format alone, with no plug-in
// behind it. The plug-in base fills records from its parameters and presets and applies the
// records it reads (framework/PresetFiles.cpp); a host does the same through a plug-in's
// parameters. Header fields and parameter values are big-endian; a chunk is kept as the bytes
// stored in the file.

#include "framework/ByteChunk.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fxfile
{
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

constexpr size_t kProgramHeaderSize = 56;
constexpr size_t kBankHeaderSize = 156;
constexpr size_t kProgramNameLen = 28; // at most 27 characters and a zero byte

// One program: a program file, or one record of a parameter-form bank.
struct Program
{
  uint32_t form = kProgramParamsMagic; // kProgramParamsMagic or kProgramChunkMagic
  int32_t pluginID = 0;
  int32_t pluginVersion = 0;
  int32_t numParams = 0;
  std::string name;          // written as at most 27 characters
  std::vector<float> values; // parameter form: normalised values in parameter order
  ByteChunk chunk;           // chunk form: the plug-in's chunk as stored
};

struct Bank
{
  uint32_t form = kBankParamsMagic; // kBankParamsMagic or kBankChunkMagic
  int32_t pluginID = 0;
  int32_t pluginVersion = 0;
  int32_t numPrograms = 0;
  int32_t currentProgram = 0;
  std::vector<Program> programs; // parameter form, one per slot
  ByteChunk chunk;               // chunk form
};

// Appends the file's bytes to out. A parameter-form program writes numParams values (missing
// ones as 0).
void WriteProgram(const Program& program, ByteChunk& out);
void WriteBank(const Bank& bank, ByteChunk& out);

// Reads a program file. False, with `program` in an unspecified state, for anything that is
// not a whole program file of format version 1 in one of the two forms: a short or truncated
// file, a wrong magic or version, a negative parameter count.
bool ReadProgram(const uint8_t* data, size_t size, Program& program);
// Reads a bank file: its header, and its chunk or every program record (each a whole
// parameter-form program). False for a short or truncated file, a wrong magic or form, a
// negative program count or a malformed record. The bank's version is not checked.
bool ReadBank(const uint8_t* data, size_t size, Bank& bank);

// The whole file at path (at most 1 GiB; larger files are not preset files of any plug-in).
bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes);
} // namespace fxfile

#pragma once
// Audio files through libsndfile: a reader, and a writer that writes into a temporary file
// beside the target and puts it in place only when the file is complete, so a failed or
// interrupted write never leaves a truncated file or damages an existing one.

#include <sndfile.h>

#include <cstdint>
#include <string>

namespace kestrion
{
class AudioReader
{
public:
  // Throws Failure for a missing, unreadable, non-audio or empty file.
  explicit AudioReader(const std::string& path);
  ~AudioReader();
  AudioReader(const AudioReader&) = delete;
  AudioReader& operator=(const AudioReader&) = delete;

  int Channels() const { return mInfo.channels; }
  int SampleRate() const { return mInfo.samplerate; }
  int64_t Frames() const { return mInfo.frames; }
  int Format() const { return mInfo.format; }
  // Reads up to `frames` interleaved frames; 0 at the end.
  int64_t Read(float* interleaved, int64_t frames);

private:
  SNDFILE* mFile = nullptr;
  SF_INFO mInfo = {};
  std::string mPath;
};

// The libsndfile format for a path's extension with optional overrides: --format (a container
// name: wav, aiff, flac, ogg, caf, w64, au) and --subtype (libsndfile's subtype name in lower
// case without its prefix: pcm16 or pcm_16, pcm24, float, vorbis, ...). Without a subtype WAV,
// AIFF, CAF and W64 take 32-bit float, FLAC 24-bit, Ogg Vorbis. Throws UsageError.
int OutputFormat(const std::string& path, const std::string& format, const std::string& subtype);
// True for formats that hold integers, where samples beyond full scale are limited.
bool IsIntegerFormat(int format);
std::string SubtypeName(int format);

class AudioWriter
{
public:
  // Creates the temporary file beside path (throws Failure when the directory is missing or
  // not writable, or libsndfile refuses the format).
  AudioWriter(const std::string& path, int format, int sampleRate, int channels);
  // Without Commit the temporary file is removed.
  ~AudioWriter();
  AudioWriter(const AudioWriter&) = delete;
  AudioWriter& operator=(const AudioWriter&) = delete;

  void Write(const float* interleaved, int64_t frames);
  // Closes the file and renames it to the target.
  void Commit();

private:
  SNDFILE* mFile = nullptr;
  std::string mPath, mTempPath;
};

// Removes the temporary files of writers still open; safe to call from a signal handler.
void RemoveTemporaryFiles();
} // namespace kestrion

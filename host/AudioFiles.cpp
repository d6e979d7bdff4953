#include "host/AudioFiles.h"

#include "host/Errors.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrion
{
namespace
{
struct Name
{
  const char* name;
  int value;
};

const Name kContainers[] = {
    {"wav", SF_FORMAT_WAV},   {"aiff", SF_FORMAT_AIFF}, {"aif", SF_FORMAT_AIFF},
    {"flac", SF_FORMAT_FLAC}, {"ogg", SF_FORMAT_OGG},   {"oga", SF_FORMAT_OGG},
    {"caf", SF_FORMAT_CAF},   {"w64", SF_FORMAT_W64},   {"au", SF_FORMAT_AU},
};

const Name kSubtypes[] = {
    {"pcms8", SF_FORMAT_PCM_S8},     {"pcm16", SF_FORMAT_PCM_16},
    {"pcm24", SF_FORMAT_PCM_24},     {"pcm32", SF_FORMAT_PCM_32},
    {"pcmu8", SF_FORMAT_PCM_U8},     {"float", SF_FORMAT_FLOAT},
    {"double", SF_FORMAT_DOUBLE},    {"ulaw", SF_FORMAT_ULAW},
    {"alaw", SF_FORMAT_ALAW},        {"imaadpcm", SF_FORMAT_IMA_ADPCM},
    {"msadpcm", SF_FORMAT_MS_ADPCM}, {"gsm610", SF_FORMAT_GSM610},
    {"vorbis", SF_FORMAT_VORBIS},    {"opus", SF_FORMAT_OPUS},
    {"alac16", SF_FORMAT_ALAC_16},   {"alac20", SF_FORMAT_ALAC_20},
    {"alac24", SF_FORMAT_ALAC_24},   {"alac32", SF_FORMAT_ALAC_32},
};

std::string Key(const std::string& text)
{
  std::string key;
  for (char c : text)
    if (c != '_' && c != '-') key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

const Name* Find(const Name* begin, const Name* end, const std::string& key)
{
  const Name* it = std::find_if(begin, end, [&](const Name& n) { return key == n.name; });
  return it == end ? nullptr : it;
}

// Paths of the temporary files being written, for the interrupt handler. Fixed slots of
// fixed size: the handler may neither allocate nor lock.
constexpr int kMaxTemporaries = 4;
char gTemporaries[kMaxTemporaries][4096];
std::atomic<bool> gTemporaryUsed[kMaxTemporaries];

int RememberTemporary(const std::string& path)
{
  for (int i = 0; i < kMaxTemporaries; ++i)
    if (!gTemporaryUsed[i].load() && path.size() < sizeof gTemporaries[i])
    {
      std::memcpy(gTemporaries[i], path.c_str(), path.size() + 1);
      gTemporaryUsed[i].store(true);
      return i;
    }
  return -1;
}

void ForgetTemporary(const std::string& path)
{
  for (int i = 0; i < kMaxTemporaries; ++i)
    if (gTemporaryUsed[i].load() && path == gTemporaries[i]) gTemporaryUsed[i].store(false);
}
} // namespace

// ---- Reading ----------------------------------------------------------------------------------

AudioReader::AudioReader(const std::string& path) : mPath(path)
{
  if (access(path.c_str(), F_OK) != 0) throw Failure(path + ": no such file");
  if (access(path.c_str(), R_OK) != 0) throw Failure(path + ": not readable");
  struct stat st = {};
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) throw Failure(path + ": is a folder");
  if (stat(path.c_str(), &st) == 0 && st.st_size == 0) throw Failure(path + ": the file is empty");
  mFile = sf_open(path.c_str(), SFM_READ, &mInfo);
  if (!mFile)
    throw Failure(path + ": not an audio file libsndfile can read (" + sf_strerror(nullptr) + ")");
  if (mInfo.frames <= 0 || mInfo.channels <= 0)
  {
    sf_close(mFile);
    mFile = nullptr;
    throw Failure(path + ": the file holds no audio");
  }
}

AudioReader::~AudioReader()
{
  if (mFile) sf_close(mFile);
}

int64_t AudioReader::Read(float* interleaved, int64_t frames)
{
  const sf_count_t n = sf_readf_float(mFile, interleaved, frames);
  if (n < 0 || (n == 0 && sf_error(mFile) != SF_ERR_NO_ERROR))
    throw Failure(mPath + ": read error (" + sf_strerror(mFile) + ")");
  return n;
}

// ---- Formats ----------------------------------------------------------------------------------

int OutputFormat(const std::string& path, const std::string& format, const std::string& subtype)
{
  std::string container = format;
  if (container.empty())
  {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
      throw UsageError(path + ": no extension to choose the output format by; use --format");
    container = path.substr(dot + 1);
  }
  const Name* c = Find(std::begin(kContainers), std::end(kContainers), Key(container));
  if (!c)
    throw UsageError("unknown output format '" + container +
                     "' (wav, aiff, flac, ogg, caf, w64 or au)");
  int sub = 0;
  if (!subtype.empty())
  {
    const Name* s = Find(std::begin(kSubtypes), std::end(kSubtypes), Key(subtype));
    if (!s)
      throw UsageError("unknown subtype '" + subtype +
                       "' (pcm16, pcm24, pcm32, float, double, vorbis, ...)");
    sub = s->value;
  }
  else if (c->value == SF_FORMAT_FLAC)
    sub = SF_FORMAT_PCM_24;
  else if (c->value == SF_FORMAT_OGG)
    sub = SF_FORMAT_VORBIS;
  else
    sub = SF_FORMAT_FLOAT;
  SF_INFO probe = {};
  probe.samplerate = 48000;
  probe.channels = 2;
  probe.format = c->value | sub;
  if (!sf_format_check(&probe))
    throw UsageError("the " + container + " format cannot hold subtype " +
                     SubtypeName(probe.format));
  return probe.format;
}

bool IsIntegerFormat(int format)
{
  const int sub = format & SF_FORMAT_SUBMASK;
  return sub != SF_FORMAT_FLOAT && sub != SF_FORMAT_DOUBLE && sub != SF_FORMAT_VORBIS &&
         sub != SF_FORMAT_OPUS;
}

std::string SubtypeName(int format)
{
  for (const Name& s : kSubtypes)
    if (s.value == (format & SF_FORMAT_SUBMASK)) return s.name;
  return "unknown";
}

// ---- Writing ----------------------------------------------------------------------------------

AudioWriter::AudioWriter(const std::string& path, int format, int sampleRate, int channels)
    : mPath(path)
{
  const size_t slash = path.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temp = (slash == std::string::npos ? "" : dir) + "." + base + ".partial-XXXXXX";
  const int fd = mkstemp(&temp[0]);
  if (fd < 0) throw Failure(path + ": cannot write there (" + std::strerror(errno) + ")");
  mTempPath = temp;
  RememberTemporary(mTempPath);
  // mkstemp makes the file private; the output gets the permissions a new file gets.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);

  SF_INFO info = {};
  info.samplerate = sampleRate;
  info.channels = channels;
  info.format = format;
  mFile = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
  if (!mFile)
  {
    const std::string reason = sf_strerror(nullptr);
    close(fd);
    unlink(mTempPath.c_str());
    ForgetTemporary(mTempPath);
    throw Failure(path + ": libsndfile cannot write this format (" + reason + ")");
  }
  // Samples beyond full scale are limited in integer formats, never wrapped.
  sf_command(mFile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

AudioWriter::~AudioWriter()
{
  if (mFile) sf_close(mFile);
  if (!mTempPath.empty())
  {
    unlink(mTempPath.c_str());
    ForgetTemporary(mTempPath);
  }
}

void AudioWriter::Write(const float* interleaved, int64_t frames)
{
  if (sf_writef_float(mFile, interleaved, frames) != frames)
    throw Failure(mPath + ": write error (" + sf_strerror(mFile) + ")");
}

void AudioWriter::Commit()
{
  const int status = sf_close(mFile);
  mFile = nullptr;
  if (status != 0) throw Failure(mPath + ": write error (" + sf_error_number(status) + ")");
  if (std::rename(mTempPath.c_str(), mPath.c_str()) != 0)
    throw Failure(mPath + ": cannot put the file in place (" + std::strerror(errno) + ")");
  ForgetTemporary(mTempPath);
  mTempPath.clear();
}

void RemoveTemporaryFiles()
{
  for (int i = 0; i < kMaxTemporaries; ++i)
    if (gTemporaryUsed[i].load()) unlink(gTemporaries[i]);
}
} // namespace kestrion

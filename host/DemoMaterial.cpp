#include "host/DemoMaterial.h"

#include <cmath>
#include <cstdint>

namespace
{
constexpr double kTwoPi = 6.283185307179586;

// A small deterministic noise source, so every run writes the same files.
class Noise
{
public:
  double Next()
  {
    mState = mState * 1664525u + 1013904223u;
    return static_cast<double>(mState >> 8) / 8388608.0 - 1.0;
  }

private:
  uint32_t mState = 0x1234567u;
};

void AddKick(DemoMaterial& m, size_t start, double gain)
{
  double phase = 0;
  for (size_t i = 0; i < static_cast<size_t>(m.sampleRate * 0.6) && start + i < m.left.size(); ++i)
  {
    const double t = i / m.sampleRate;
    phase += kTwoPi * (45.0 + 110.0 * std::exp(-t * 35.0)) / m.sampleRate;
    const double s = gain * std::sin(phase) * std::exp(-t * 7.0) +
                     gain * 0.3 * std::exp(-t * 400.0); // beater click
    m.left[start + i] += static_cast<float>(s);
    m.right[start + i] += static_cast<float>(s);
  }
}

void AddSnare(DemoMaterial& m, Noise& noise, size_t start, double gain)
{
  for (size_t i = 0; i < static_cast<size_t>(m.sampleRate * 0.5) && start + i < m.left.size(); ++i)
  {
    const double t = i / m.sampleRate;
    const double body = std::sin(kTwoPi * 185.0 * t) * std::exp(-t * 25.0);
    const double n = noise.Next() * std::exp(-t * 14.0);
    m.left[start + i] += static_cast<float>(gain * (0.5 * body + 0.55 * n));
    m.right[start + i] += static_cast<float>(gain * (0.5 * body + 0.45 * noise.Next() * std::exp(-t * 14.0)));
  }
}

void AddHat(DemoMaterial& m, Noise& noise, size_t start, double gain, double pan)
{
  double prev = 0;
  for (size_t i = 0; i < static_cast<size_t>(m.sampleRate * 0.08) && start + i < m.left.size(); ++i)
  {
    const double t = i / m.sampleRate;
    const double n = noise.Next();
    const double bright = n - prev; // a crude high-pass makes it hiss
    prev = n;
    const double s = gain * bright * std::exp(-t * 60.0);
    m.left[start + i] += static_cast<float>(s * (1.0 - pan));
    m.right[start + i] += static_cast<float>(s * (1.0 + pan));
  }
}

// A sparse feedback delay pair standing in for a room, so there is a sustain to shape.
void AddRoom(DemoMaterial& m)
{
  const size_t dl = static_cast<size_t>(m.sampleRate * 0.0371);
  const size_t dr = static_cast<size_t>(m.sampleRate * 0.0433);
  std::vector<float> l = m.left, r = m.right;
  for (size_t i = 0; i < l.size(); ++i)
  {
    if (i >= dl)
      l[i] += 0.55f * r[i - dl];
    if (i >= dr)
      r[i] += 0.55f * l[i - dr];
  }
  for (size_t i = 0; i < l.size(); ++i)
  {
    m.left[i] = 0.8f * m.left[i] + 0.25f * l[i];
    m.right[i] = 0.8f * m.right[i] + 0.25f * r[i];
  }
}
} // namespace

DemoMaterial MakeDrumGroove(double sampleRate, double bpm, int bars)
{
  DemoMaterial m;
  m.sampleRate = sampleRate;
  const double beat = 60.0 / bpm * sampleRate;
  const size_t length = static_cast<size_t>(beat * 4 * bars + sampleRate);
  m.left.assign(length, 0.0f);
  m.right.assign(length, 0.0f);
  Noise noise;
  for (int bar = 0; bar < bars; ++bar)
    for (int eighth = 0; eighth < 8; ++eighth)
    {
      const size_t at = static_cast<size_t>((bar * 4 + eighth * 0.5) * beat);
      if (eighth == 0 || eighth == 5)
        AddKick(m, at, 0.7);
      if (eighth == 2 || eighth == 6)
        AddSnare(m, noise, at, 0.5);
      AddHat(m, noise, at, (eighth % 2) ? 0.12 : 0.2, (eighth % 2) ? 0.4 : -0.4);
    }
  AddRoom(m);
  return m;
}

#pragma once
// Envelope followers: one-pole smoothing with separate attack and release time constants.
// A follower keeps no state of its own; the caller owns the state value and passes it in and
// out of track().
//
// Times and rates are set on the thread that changes parameters (under the plug-in's mutex)
// while the render thread reads the coefficients, so every field is a relaxed atomic double.

#include <atomic>
#include <cstdint>
#include <cstring>

namespace envelope
{

// One follower step: moves state toward input with the attack coefficient when the input is
// above the state, otherwise (also when a value is not a number) with the release coefficient.
// The coefficient is chosen with a bit mask rather than a branch: audio makes the comparison
// unpredictable, and the mask picks exactly the same double.
inline double track(double input, double state, double attackCoef, double releaseCoef)
{
  uint64_t a, r;
  std::memcpy(&a, &attackCoef, sizeof a);
  std::memcpy(&r, &releaseCoef, sizeof r);
  const uint64_t mask = 0 - static_cast<uint64_t>(input > state);
  const uint64_t bits = (a & mask) | (r & ~mask);
  double coef;
  std::memcpy(&coef, &bits, sizeof coef);
  return input + (state - input) * coef;
}

// One time constant in milliseconds turned into a one-pole coefficient exp(-1000 / (tc * fs)).
class EnvelopeDetector
{
public:
  EnvelopeDetector(double ms, double sampleRate);
  virtual ~EnvelopeDetector() = default;

  virtual void setTc(double ms);
  virtual double getTc() const { return tc.load(std::memory_order_relaxed); }
  virtual void setSampleRate(double sampleRate);
  virtual double getSampleRate() const { return sampleRate.load(std::memory_order_relaxed); }
  virtual void setCoef();

  double getCoef() const { return coef.load(std::memory_order_relaxed); }

protected:
  std::atomic<double> sampleRate;
  std::atomic<double> tc;
  std::atomic<double> coef{0.0};
};

// An attack/release pair of detectors.
class AttRelEnvelope
{
public:
  AttRelEnvelope(double attackMs, double releaseMs, double sampleRate);
  virtual ~AttRelEnvelope() = default;

  virtual void setAttack(double ms) { attackDetector.setTc(ms); }
  virtual double getAttack() const { return attackDetector.getTc(); }
  virtual void setRelease(double ms) { releaseDetector.setTc(ms); }
  virtual double getRelease() const { return releaseDetector.getTc(); }
  // Sets both detectors' rate, attack first.
  virtual void setSampleRate(double sampleRate);
  virtual double getSampleRate() const { return attackDetector.getSampleRate(); }

  double attackCoef() const { return attackDetector.getCoef(); }
  double releaseCoef() const { return releaseDetector.getCoef(); }

  // One step; the caller stores the result as the new state.
  double track(double input, double state) const
  {
    return envelope::track(input, state, attackCoef(), releaseCoef());
  }

protected:
  EnvelopeDetector attackDetector;
  EnvelopeDetector releaseDetector;
};

} // namespace envelope

#include "plugin/Envelope.h"

#include <cmath>

namespace envelope
{

EnvelopeDetector::EnvelopeDetector(double ms, double rate) : sampleRate(rate), tc(ms)
{
  // Not the virtual call: a derived detector is not constructed yet.
  EnvelopeDetector::setCoef();
}

void EnvelopeDetector::setTc(double ms)
{
  tc.store(ms, std::memory_order_relaxed);
  setCoef();
}

void EnvelopeDetector::setSampleRate(double rate)
{
  sampleRate.store(rate, std::memory_order_relaxed);
  setCoef();
}

void EnvelopeDetector::setCoef()
{
  coef.store(std::exp(-1000.0 / (getTc() * getSampleRate())), std::memory_order_relaxed);
}

AttRelEnvelope::AttRelEnvelope(double attackMs, double releaseMs, double sampleRate)
  : attackDetector(attackMs, sampleRate), releaseDetector(releaseMs, sampleRate)
{
}

void AttRelEnvelope::setSampleRate(double sampleRate)
{
  attackDetector.setSampleRate(sampleRate);
  releaseDetector.setSampleRate(sampleRate);
}

} // namespace envelope

#pragma once
// A plain per-sample transient shaper written straight from the signal path, with libm's pow
// for every gain, kept as the oracle the optimised processor is compared with: its detection
// (followers, filter) bit for bit, its output within 1e-14 relative. It shares no code with
// the plug-in: its followers, filter and parameter mapping are written out here again.

#include <algorithm>
#include <cfloat>
#include <cmath>

class ReferenceShaper
{
public:
  struct Follower
  {
    double attackMs, releaseMs;
    double attackCoef = 0, releaseCoef = 0;
    void Update(double fs)
    {
      attackCoef = std::exp(-1000.0 / (attackMs * fs));
      releaseCoef = std::exp(-1000.0 / (releaseMs * fs));
    }
    double Track(double in, double state) const
    {
      if (in > state)
        return in + (state - in) * attackCoef;
      return in + (state - in) * releaseCoef;
    }
  };

  struct Channel
  {
    Follower attackFastEnv{DBL_MIN, 35}, sustainShortEnv{1, 75}, attackSlowEnv{10, 35},
      sustainLongEnv{1, 500}, levelEnv{15, 150};
    double attackFast = 0.001, sustainShort = 0.001, attackSlow = 0.001, sustainLong = 0.001,
           level = 0.001;
  };

  // Parameter values in their real units, as the plug-in's parameters hold them.
  struct Settings
  {
    double attack = 0, sustain = 0, attackLink = 0, attackLength = 5, gain = 0, scHpf = 0,
           sustainLink = 0, sustainLength = 500;
  };

  explicit ReferenceShaper(const Settings& s, double fs = 44100.0)
  {
    for (Channel* ch : {&L, &R})
    {
      ch->attackSlowEnv.attackMs = s.attackLength + 2;
      ch->levelEnv.attackMs = s.attackLength + 2;
      ch->sustainLongEnv.releaseMs = s.sustainLength + 100;
      for (Follower* f : {&ch->attackFastEnv, &ch->sustainShortEnv, &ch->attackSlowEnv,
                          &ch->sustainLongEnv, &ch->levelEnv})
        f->Update(fs);
    }
    meterEnv.Update(fs);
    Apply(s);
  }

  // Changes settings between blocks; the follower times keep their rate.
  void Apply(const Settings& s)
  {
    mAttack = 0.3 * s.attack;
    mSustain = 0.3 * s.sustain;
    mAttackLink = s.attackLink * 0.01;
    mSustainLink = s.sustainLink * 0.01;
    mGain = s.gain > -93 ? std::pow(10.0, s.gain / 20.0) : 0.0;
    coefficient = s.scHpf * 0.002;
  }

  double Filter(double x)
  {
    stage[0] = stage[0] + coefficient * (x - stage[0]);
    for (int k = 1; k < 6; ++k)
      stage[k] = stage[k] + coefficient * (stage[k - 1] - stage[k]);
    return x - stage[5];
  }

  void Process(double* inL, double* inR, double* outL, double* outR, int n)
  {
    for (int i = 0; i < n; ++i)
    {
      double x[2] = {inL[i], inR[i]};
      double f[2];
      f[0] = Filter(x[0]);
      f[1] = Filter(x[1]);
      Channel* ch[2] = {&L, &R};
      double a[2], s[2];
      for (int c = 0; c < 2; ++c)
      {
        const double p = f[c] * f[c];
        ch[c]->attackFast = ch[c]->attackFastEnv.Track(p, ch[c]->attackFast);
        ch[c]->attackSlow = ch[c]->attackSlowEnv.Track(p, ch[c]->attackSlow);
        ch[c]->level = ch[c]->levelEnv.Track(std::fabs(x[c]), ch[c]->level);
        ch[c]->sustainShort = ch[c]->sustainShortEnv.Track(f[c], ch[c]->sustainShort);
        ch[c]->sustainLong = ch[c]->sustainLongEnv.Track(f[c], ch[c]->sustainLong);
        a[c] = std::max(0.0, ch[c]->attackFast - ch[c]->attackSlow);
        s[c] = std::max(0.0, ch[c]->sustainLong - ch[c]->sustainShort);
      }
      double y[2];
      for (int c = 0; c < 2; ++c)
      {
        const double attackSignal =
          a[c] * (1 - mAttackLink) + std::max(a[0], a[1]) * mAttackLink;
        const double sustainSignal =
          s[c] * (1 - mSustainLink) + std::max(s[0], s[1]) * mSustainLink;
        const double lambda =
          ch[c]->level * (1 - mAttackLink) + std::max(L.level, R.level) * mAttackLink;
        if (mAttack > 0)
          y[c] = x[c] * std::pow(10.0, mAttack * attackSignal / 20);
        else
        {
          const double g = std::pow(10.0, mAttack / 20);
          y[c] = lambda * x[c] * (1 - g) + g * x[c];
        }
        y[c] = y[c] * std::pow(10.0, mSustain * sustainSignal / 20);
      }
      inL[i] = y[0];
      inR[i] = y[1];
      outL[i] = y[0] * mGain;
      outR[i] = y[1] * mGain;
      peakL = std::max(peakL, std::fabs(outL[i]));
      peakR = std::max(peakR, std::fabs(outR[i]));
      meterState = meterEnv.Track(std::max(peakL, peakR), meterState);
    }
  }

  Channel L, R;
  Follower meterEnv{0.1, 750};
  double meterState = 0.001, peakL = 0, peakR = 0;
  double stage[6] = {};
  double coefficient = 0;
  double mAttack = 0, mSustain = 0, mAttackLink = 0, mSustainLink = 0, mGain = 1;
};

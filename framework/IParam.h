#pragma once
// One automatable parameter: type, real value, range, step, shape, default, display precision,
// name, unit label, group and display texts. Converts between real values and the normalised
// 0..1 values that hosts, controls and preset files use, and produces display text.
//
// IParam holds no lock. Writers hold the plug-in's mutex when they change the value; readers of
// display text and labels may run on other threads. The value is kept in an atomic double so
// that those unlocked reads are well-defined; every access is relaxed.

#include <atomic>
#include <vector>

class IParam
{
public:
  enum EParamType
  {
    kTypeNone = 0,
    kTypeBool = 1,
    kTypeInt = 2,
    kTypeEnum = 3,
    kTypeDouble = 4
  };

  static constexpr int kNameLen = 32;    // name, label and group fields, terminator included
  static constexpr int kDisplayLen = 64; // display buffers; longer numbers are cut to fit

  // A text shown instead of the number for one integer value.
  struct DisplayText
  {
    int mValue;
    char mText[kNameLen];
  };

  IParam();

  // Initialisation. Each copies name, label and group (cut at 31 characters), stores the value
  // as value and default, and sets the type only if the parameter has none yet.
  void InitBool(const char* name, bool defaultVal, const char* label = "", const char* group = "");
  void InitEnum(const char* name, int defaultVal, int nEnums, const char* label = "",
                const char* group = "");
  void InitInt(const char* name, int defaultVal, int minVal, int maxVal, const char* label = "",
               const char* group = "");
  void InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                  const char* label = "", const char* group = "", double shape = 1.0);

  void SetShape(double shape);
  void SetDisplayText(int value, const char* text);
  void NegateDisplay() { mNegateDisplay = true; }

  // Values.
  void Set(double value);
  void SetNormalized(double normalizedValue);
  double Value() const { return mValue.load(std::memory_order_relaxed); }
  bool Bool() const { return Value() >= 0.5; }
  int Int() const { return static_cast<int>(Value()); }
  double DBToAmp() const;
  double GetDefault() const { return mDefault; }
  double GetNormalized() const { return GetNormalized(Value()); }
  double GetNormalized(double nonNormalizedValue) const;
  double GetNonNormalized(double normalizedValue) const;
  // The value SetNormalized would store for normalizedValue (not NaN), without storing it.
  double FromNormalized(double normalizedValue) const;
  void GetBounds(double& lo, double& hi) const;
  double GetMin() const { return mMin; }
  double GetMax() const { return mMax; }
  double GetStep() const { return mStep; }
  double GetShape() const { return mShape; }
  int GetPrecision() const { return mDisplayPrecision; }

  // Display. `buffer` must hold kDisplayLen bytes.
  void GetDisplayForHost(char* buffer, bool withDisplayText = true) const
  {
    GetDisplayForHost(Value(), false, buffer, withDisplayText);
  }
  void GetDisplayForHost(double value, bool isNormalized, char* buffer,
                         bool withDisplayText = true) const;
  const char* GetDisplayText(int value) const;
  const char* GetDisplayTextAtIdx(int index, double* value = nullptr) const;
  int GetNDisplayTexts() const { return static_cast<int>(mDisplayTexts.size()); }
  bool MapDisplayText(const char* text, double* value) const;

  const char* GetNameForHost() const { return mName; }
  const char* GetLabelForHost() const;
  const char* GetParamGroupForHost() const { return mParamGroup; }

  EParamType Type() const { return mType; }
  bool GetCanAutomate() const { return mCanAutomate; }
  bool GetIsMeta() const { return mIsMeta; }
  bool GetNegateDisplay() const { return mNegateDisplay; }

private:
  void SetNames(const char* name, const char* label, const char* group);
  void StoreDefault(double value);

  EParamType mType = kTypeNone;
  std::atomic<double> mValue{0.0};
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mShape = 1.0;
  double mDefault = 0.0;
  int mDisplayPrecision = 0;
  char mName[kNameLen] = {};
  char mLabel[kNameLen] = {};
  char mParamGroup[kNameLen] = {};
  bool mNegateDisplay = false;
  bool mCanAutomate = true;
  bool mIsMeta = false;
  std::vector<DisplayText> mDisplayTexts;
};

// Copies src into a fixed field of `size` bytes, cutting the text so that the terminator fits.
// A null src gives an empty field.
void CopyBounded(char* dest, const char* src, int size);

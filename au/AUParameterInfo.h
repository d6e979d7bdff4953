#pragma once
// The parameter records of the Audio Unit property surface. Each takes the parameter a host's
// id names (null when the id is outside the table, answered kAudioUnitErr_InvalidElement) and
// fills the host's record; CF objects handed out belong to the host.

#include "framework/IEffectBase.h"

#include <AudioUnit/AudioUnit.h>
#include <CoreServices/CoreServices.h>

#include <vector>

// The parameter a host's id names, or null outside the table.
const IParam* ParamAt(const IEffectBase& plug, UInt32 id);

// The host's parameter record: name, unit, range, current value, flags and clump. A group seen
// for the first time joins `groups`, whose 1-based index is its clump id.
void FillParameterInfo(const IParam& param, std::vector<const char*>& groups,
                       AudioUnitParameterInfo& info);

// The parameter's display texts in index order; null when an array or string cannot be made.
CFArrayRef MakeValueStrings(const IParam& param);

// Text of a value (the current one when the host gives none), written through textBuf.
ComponentResult StringFromValue(const IParam* param, AudioUnitParameterStringFromValue& record,
                                char* textBuf);

// The parameter's name, cut to the record's desired length (negative: the whole name).
ComponentResult IDName(const IParam* param, AudioUnitParameterIDName& record);

// The name of a clump id handed out by FillParameterInfo.
ComponentResult ClumpName(const std::vector<const char*>& groups,
                          AudioUnitParameterNameInfo& record);

// Typed text to a value: a number (negated when the parameter negates its display), or for a
// parameter with display texts the key of the matching text. A text that names no entry leaves
// the record's value as it was.
ComponentResult ValueFromString(const IParam* param, AudioUnitParameterValueFromString& record);

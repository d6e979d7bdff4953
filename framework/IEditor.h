#pragma once
// What the plug-in object needs of an attached editor. The graphics surface implements it;
// the plug-in base owns the attached editor and deletes it at destruction.

class IEditor
{
public:
  virtual ~IEditor() = default;

  // Moves the controls bound to a parameter to its value (normalised 0..1 when `normalized`,
  // otherwise the real value). Called with the plug-in's mutex held, from any thread that
  // changes a parameter; the editor only marks controls dirty here and draws later.
  virtual void SetParameterFromPlug(int paramIdx, double value, bool normalized) = 0;

  // Prepares the drawing surface; called once when the editor is attached.
  virtual void PrepDraw() = 0;
};

// A control that shows text sent by the plug-in (the value readouts). Called from whichever
// thread changes a parameter, with the plug-in's mutex held; the control hands the text over
// to its drawing safely.
class ITextControl
{
public:
  virtual ~ITextControl() = default;
  virtual void SetTextFromPlug(const char* text) = 0;
};

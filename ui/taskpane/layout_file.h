// The stored window layout: every named control's published properties by
// name, in one JSON file, written from a widget tree and applied to it at
// start-up. Geometry, visibility, the enabled state and the docking ("Align")
// are stored for every control beside its own properties; owned sub-objects
// (backgrounds, fonts, colour sets) nest, references to other controls are
// stored by name.
#pragma once

#include <QString>

#include "platform/exception.h"

class QWidget;

// A layout that cannot be applied; the message names the file, the control
// and the key.
class ELayoutError : public Exception {
public:
  using Exception::Exception;
};

namespace taskpane {

void WriteLayout(QWidget* root, const QString& fileName);
// With a captionContext the captions ("Caption", "text", "title") are shown
// translated in that context, except on controls that take typed text (those
// with a placeholder), whose text is an entry.
void ReadLayout(QWidget* root, const QString& fileName, const char* captionContext = nullptr);

}  // namespace taskpane

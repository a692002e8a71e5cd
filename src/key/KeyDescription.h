#pragma once

#include <QString>

class frmKeyFrom;

// The main window's one-line description of the key, and the erasing of the key, kept here so the window
// only shows what these return.
namespace KeyDescription {

// The caption of the key status label after a key operation. When the key object holds a key source but
// no key, "Error processing key!" is shown and the key becomes unspecified.
QString caption(frmKeyFrom& key, const QString& strSpecified, const QString& strNotSpecified,
                const QString& strSavedKeyCaption);

// The words in brackets after strSpecified: "keyboard entry", "text key in keyfile", ...
QString sourceDescription(const frmKeyFrom& key);

} // namespace KeyDescription

// Overwrites the key strings with NUL characters of the same lengths, in the buffers that held them, and
// makes the cipher engine forget its copy. intKeyFrom is left as it is.
void EraseKeyMaterial(frmKeyFrom& key);

#pragma once

#include <QFont>
#include <QString>
#include <QWidget>
#include <initializer_list>

namespace platform {

// The installed family to show a Windows face name with: the face itself where it is installed,
// otherwise its metric-compatible stand-in (Arial and MS Sans Serif: Liberation Sans, and so
// on), otherwise the family the font matcher substitutes for it, which keeps its kind (Courier:
// a monospace face, Times: a serif one); a plain sans-serif face for an empty name. Naming an
// installed family spares the font matcher its slow search for a missing one at every font, and
// keeps text widths close to what the fixed layout was made for. Main thread only.
QString installedFace(const QString& face);

// Makes `font` show `face`.
void setFace(QFont& font, const QString& face);

// Makes each of `controls` show `face` (the configured face of a window), keeping the rest of its
// font. Qt picks the character set from the text itself; only the face is applied.
void applyFace(std::initializer_list<QWidget*> controls, const QString& face);

}  // namespace platform

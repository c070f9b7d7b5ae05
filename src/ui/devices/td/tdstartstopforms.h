#pragma once
// The start-stop signal forms of the TD meter's pour input, as pictures beside the form choice.
// The radio buttons go top to bottom: a positive level, a negative level, two positive pulses,
// two negative pulses; the count runs between the starting and the stopping edge.

#include <QPixmap>
#include <QString>

inline constexpr int kStartStopFormCount = 4;

// The picture of form `radio` (0..3, top to bottom): the signal, the counted interval shaded,
// the starting edge green and the stopping edge red; `ink` draws the rest of the signal.
QPixmap startStopPicture(int radio, const QColor& ink, qreal devicePixelRatio);
// What the picture shows, in words (the button's hint).
QString startStopHint(int radio);
QSize startStopPictureSize();

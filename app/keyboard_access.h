#pragma once

class QSlider;
class QWidget;

namespace zelkam {

// The mouse wheel over the widget acts only while the widget has the
// keyboard focus; otherwise the wheel does nothing there, so scrolling across
// the window never changes the day or the time by accident.
void acceptWheelOnlyWithFocus(QWidget* widget);

// The keys of the time trackbar as on the platform trackbar the window
// follows: Up, Left and Page Up move earlier, Down, Right and Page Down
// later; Home and End stay the slider's own.
void mapTrackbarKeys(QSlider* trackbar);

} // namespace zelkam

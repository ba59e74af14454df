#pragma once

// What screen readers learn of the program's own controls. Qt describes its widgets itself; a
// SpeedButton (and so every gradient button), a PictureButton and a Label are described here:
//
// - a SpeedButton or a PictureButton is a push button named by its caption (or by its accessible
//   name, where one is set, as for a button that shows only a picture). Its one action, press,
//   does what a click does, a moment later, so that whoever asked is answered before a modal
//   window the click opens takes over (Qt's own tool buttons click at once, and the screen
//   reader then waits for the window to close).
// - a Label is static text named by its accessible name where one is set (the clock is "Время")
//   and by its text otherwise; the text it shows, which changes, is its value and its text.
//
// The controls install this themselves when the first of them is created.
void install_control_accessibility();

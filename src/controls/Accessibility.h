#pragma once

// What screen readers learn of the owner-drawn controls. Qt describes its own widgets itself;
// a SpeedButton (and so every gradient button) and a Label need describing:
//
// - a SpeedButton is a push button named by its caption (or by its accessible name, where one is
//   set, as for a button without a caption). Its one action, press, does what a click does, a
//   moment later, so that whoever asked is answered before a window the click opens takes over.
// - a Label is static text named by its accessible name where one is set (the clock is "Время")
//   and by its text otherwise; the text it shows, which changes, is its value and its text.
//
// The controls install this themselves when the first of them is created.
void install_control_accessibility();

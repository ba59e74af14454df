#pragma once

namespace platform {

// Makes the error report and the information show a modal message box, questions ask in one (with
// «Да» and «Нет», which the keys Д and Н press too) and the beep sound the desktop's bell, in
// place of their defaults without widgets (a line on stderr, the answer no, silence). Each box
// stands centred over the window it belongs to, the main window too before it has been
// activated. The program calls this once at start-up; without a QApplication all fall back to
// those defaults.
void install_widget_reports();

}  // namespace platform

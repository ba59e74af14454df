#pragma once

namespace platform {

// Makes the error report show a modal message box, questions ask in one (with «Да» and «Нет»,
// which the keys Д and Н press too) and the beep sound the desktop's bell, in place of their
// defaults without widgets (a line on stderr, the answer no, silence). The program calls this
// once at start-up; without a QApplication both fall back to those defaults.
void install_widget_reports();

}  // namespace platform

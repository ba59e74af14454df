#pragma once

#include <QLocale>
#include <QTranslator>
#include <memory>

namespace platform {

// The toolkit's own Russian texts (its standard buttons, the font chooser, the context menus of
// text fields) for a Russian `locale`, from the toolkit's translations directory; nothing for
// any other locale, or when that translation is not installed. The program's own texts are
// Russian already and go through no translation, so they stay exactly as they are. Install the
// result with QCoreApplication::installTranslator and keep it for the program's life.
std::unique_ptr<QTranslator> loadQtTranslation(const QLocale& locale);

}  // namespace platform

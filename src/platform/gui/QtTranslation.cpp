#include "platform/gui/QtTranslation.h"

#include <QLibraryInfo>

namespace platform {

std::unique_ptr<QTranslator> loadQtTranslation(const QLocale& locale) {
    if (locale.language() != QLocale::Russian) {
        return nullptr;
    }
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_ru"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return nullptr;
    }
    return translator;
}

}  // namespace platform

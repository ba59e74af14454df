#include "Fonts.h"

#include <QFontDatabase>
#include <QHash>
#include <QSet>

namespace platform {

namespace {

// Installed families, looked up without the font matcher's alias resolution (which asks
// fontconfig anew on every call and costs milliseconds).
bool installed(const QString& family) {
    static const QSet<QString> kInstalled = [] {
        QSet<QString> set;
        for (const QString& name : QFontDatabase::families()) {
            set.insert(name.toLower());
        }
        return set;
    }();
    return kInstalled.contains(family.toLower());
}

}  // namespace

QString installedFace(const QString& face) {
    static const QHash<QString, QString> kStandIns = {
        {QStringLiteral("ms sans serif"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("arial"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("helvetica"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("times new roman"), QStringLiteral("Liberation Serif")},
        {QStringLiteral("courier new"), QStringLiteral("Liberation Mono")},
    };
    static const QString kLastResort = QStringLiteral("DejaVu Sans");

    if (installed(face)) {
        return face;
    }
    const QString stand_in = kStandIns.value(face.toLower());
    if (!stand_in.isEmpty() && installed(stand_in)) {
        return stand_in;
    }
    return installed(kLastResort) ? kLastResort : face;
}

void setFace(QFont& font, const QString& face) {
    font.setFamily(installedFace(face));
}

}  // namespace platform

#include "platform/gui/Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
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
    const QString key = face.toLower();
    const QString stand_in = kStandIns.value(key);
    if (!stand_in.isEmpty() && installed(stand_in)) {
        return stand_in;
    }
    // Any other face gets the family the font matcher (fontconfig) puts in its place, which
    // keeps its kind: Courier stays monospace, Times serif. Asking costs a font load, so each
    // face is asked about once.
    static QHash<QString, QString> substitutes;
    auto known = substitutes.constFind(key);
    if (known == substitutes.cend()) {
        QString family = face.trimmed().isEmpty() ? QString() : QFontInfo(QFont(face)).family();
        if (!installed(family)) {
            family = installed(kLastResort) ? kLastResort : face;
        }
        known = substitutes.insert(key, family);
    }
    return *known;
}

void setFace(QFont& font, const QString& face) {
    font.setFamily(installedFace(face));
}

void applyFace(std::initializer_list<QWidget*> controls, const QString& face) {
    const QString family = installedFace(face);
    for (QWidget* control : controls) {
        QFont font = control->font();
        font.setFamily(family);
        control->setFont(font);
    }
}

}  // namespace platform

#include "platform/gui/Fonts.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

// A face that is not installed is shown with an installed family of the same kind.
TEST(InstalledFace, KeepsTheKindOfAFaceThatIsNotInstalled) {
    const struct {
        const char* name;
        QString face;
        QStringList families;  // any of these, as the fonts installed make it
    } kRows[] = {
        {"installed", "DejaVu Serif", {"DejaVu Serif"}},
        {"metric stand-in", "Arial", {"Liberation Sans"}},
        {"monospace", "Courier", {"Liberation Mono", "DejaVu Sans Mono", "Nimbus Mono PS"}},
        {"serif", "Times", {"Liberation Serif", "DejaVu Serif", "Nimbus Roman"}},
        {"serif, no stand-in", "MS Serif", {"Liberation Serif", "DejaVu Serif", "Nimbus Roman"}},
        {"unknown", "No Such Face 9", {"DejaVu Sans", "Liberation Sans", "Nimbus Sans"}},
        {"empty", "", {"DejaVu Sans"}},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        const QString family = platform::installedFace(row.face);
        // A family that several foundries make comes with its foundry: "Nimbus Roman [urw]".
        EXPECT_TRUE(row.families.contains(family.section(QStringLiteral(" ["), 0, 0)))
            << family.toStdString();
        EXPECT_EQ(platform::installedFace(row.face), family);  // asked again: the same
    }
}

}  // namespace

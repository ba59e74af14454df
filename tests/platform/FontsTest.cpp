#include "Fonts.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

// A face that is not installed is shown with an installed family of the same kind.
TEST(InstalledFace, KeepsTheKindOfAFaceThatIsNotInstalled) {
    const struct {
        const char* name;
        QString face;
        QStringList families;  // any of these
    } kRows[] = {
        {"installed", "DejaVu Serif", {"DejaVu Serif"}},
        {"metric stand-in", "Arial", {"Liberation Sans"}},
        {"monospace", "Courier", {"Liberation Mono", "DejaVu Sans Mono"}},
        {"serif", "Times", {"Liberation Serif", "DejaVu Serif"}},
        {"serif, no stand-in", "MS Serif", {"Liberation Serif", "DejaVu Serif"}},
        {"unknown", "No Such Face 9", {"DejaVu Sans", "Liberation Sans"}},
        {"empty", "", {"DejaVu Sans"}},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        const QString family = platform::installedFace(row.face);
        EXPECT_TRUE(row.families.contains(family)) << family.toStdString();
        EXPECT_EQ(platform::installedFace(row.face), family);  // asked again: the same
    }
}

}  // namespace

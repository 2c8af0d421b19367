// The program's settings move once from the organisation name an earlier
// version used; settings the program already has are never overwritten.
#include "programs/brevant/ConnectSettings.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace brevant {
namespace {

const QString kOld = QStringLiteral("Brevant Settings Test Old Name");

void ClearBoth()
{
    QSettings(kOld, QStringLiteral("Brevant")).clear();
    QSettings(QStringLiteral("Brevant"), QStringLiteral("Brevant")).clear();
}

TEST(ProgramSettings, MoveFromTheOldNameOnceAndNeverOverTheProgramsOwn)
{
    ClearBoth();
    {
        QSettings old(kOld, QStringLiteral("Brevant"));
        old.setValue(QStringLiteral("View/Zoom"), QStringLiteral("150"));
        old.setValue(QStringLiteral("Connect To/Last"), QStringLiteral("tcp://room:4001"));
    }
    ASSERT_TRUE(MoveSettingsFromOldName(kOld));

    QSettings now(QStringLiteral("Brevant"), QStringLiteral("Brevant"));
    EXPECT_EQ(now.value(QStringLiteral("View/Zoom")).toString(), QStringLiteral("150"));
    EXPECT_EQ(LastConnectTarget(now), QStringLiteral("tcp://room:4001"));
    QSettings old(kOld, QStringLiteral("Brevant"));
    EXPECT_TRUE(old.allKeys().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(old.fileName()));

    // Old settings that turn up again do not replace the program's own.
    old.setValue(QStringLiteral("View/Zoom"), QStringLiteral("200"));
    old.sync();
    EXPECT_FALSE(MoveSettingsFromOldName(kOld));
    now.sync();
    EXPECT_EQ(now.value(QStringLiteral("View/Zoom")).toString(), QStringLiteral("150"));
    ClearBoth();
}

}  // namespace
}  // namespace brevant

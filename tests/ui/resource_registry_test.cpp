// The program's images through the resource registry: every number the panels
// use has an image, images scale with the device pixel ratio, unknown numbers
// give nothing, and the images meant to sit on other artwork are see-through
// where they should be.
#include "ResourceRegistry.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace {

using brevant::res::Bitmap;
using brevant::res::BitmapIds;
using brevant::res::BitmapSize;
using brevant::res::HasBitmap;

// The numbers the panels and the controls look images up by.
constexpr std::array kUsedIds = {148, 174, 175, 178, 179, 180, 181, 182, 183, 184, 185, 197, 198};

// Images whose outline is rounded, so their corner pixels must not cover what
// lies beneath: thumbs, check icons and crosspoint buttons.
constexpr std::array kRoundedIds = {174, 175, 180, 183, 197, 198};

// Images drawn in place of one another (a control swaps them as its state
// changes), so they must line up exactly.
constexpr std::array<std::pair<int, int>, 5> kSwappedPairs = {{
    {181, 182},  // vertical fader channel, plain and lit
    {178, 179},  // dynamics slider channel, plain and lit
    {197, 198},  // check icon, on and off
    {174, 175},  // crosspoint, on and off
    {184, 185},  // input and output panel backgrounds
}};

constexpr int kUnknownId = 99999;

QString Named(int id) { return QStringLiteral("image %1").arg(id); }

int AlphaAt(const QImage& image, int x, int y) { return qAlpha(image.pixel(x, y)); }

TEST(ResourceRegistryTest, EveryUsedNumberHasAnImageOfItsLogicalSize)
{
    for (const int id : kUsedIds) {
        SCOPED_TRACE(Named(id).toStdString());
        EXPECT_TRUE(HasBitmap(id));
        const QSize logical = BitmapSize(id);
        EXPECT_FALSE(logical.isEmpty());
        const QImage image = Bitmap(id);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), logical);
        EXPECT_DOUBLE_EQ(image.devicePixelRatio(), 1.0);
        EXPECT_TRUE(image.hasAlphaChannel());
    }
}

TEST(ResourceRegistryTest, ImagesScaleWithTheDevicePixelRatio)
{
    for (const int id : kUsedIds) {
        SCOPED_TRACE(Named(id).toStdString());
        const QImage single = Bitmap(id, 1.0);
        const QImage doubled = Bitmap(id, 2.0);
        ASSERT_FALSE(doubled.isNull());
        EXPECT_EQ(doubled.size(), single.size() * 2);
        EXPECT_DOUBLE_EQ(doubled.devicePixelRatio(), 2.0);
        // Drawn with its ratio, the doubled image covers the same logical area.
        EXPECT_EQ(doubled.deviceIndependentSize().toSize(), BitmapSize(id));
    }
}

TEST(ResourceRegistryTest, UnknownNumbersGiveNothing)
{
    for (const int id : {kUnknownId, 0, -1}) {
        SCOPED_TRACE(Named(id).toStdString());
        EXPECT_FALSE(HasBitmap(id));
        EXPECT_TRUE(Bitmap(id).isNull());
        EXPECT_TRUE(Bitmap(id, 2.0).isNull());
        EXPECT_TRUE(BitmapSize(id).isEmpty());
    }
}

TEST(ResourceRegistryTest, BitmapIdsListsEveryImageOnceInAscendingOrder)
{
    const std::vector<int> ids = BitmapIds();
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end()) << "a number is listed twice";
    for (const int id : kUsedIds)
        EXPECT_NE(std::find(ids.begin(), ids.end(), id), ids.end()) << Named(id).toStdString() << " not listed";
    for (const int id : ids)
        EXPECT_TRUE(HasBitmap(id)) << Named(id).toStdString() << " listed but not found";
    EXPECT_EQ(std::find(ids.begin(), ids.end(), kUnknownId), ids.end());
}

TEST(ResourceRegistryTest, SwappedImagesLineUpButDiffer)
{
    for (const auto& [first, second] : kSwappedPairs) {
        SCOPED_TRACE((Named(first) + QStringLiteral(" and ") + Named(second)).toStdString());
        EXPECT_EQ(BitmapSize(first), BitmapSize(second));
        // A control that swaps them to show its state must show a change.
        EXPECT_NE(Bitmap(first), Bitmap(second));
    }
}

TEST(ResourceRegistryTest, ThumbsFitAcrossTheirChannels)
{
    // The vertical fader cap (183) rides in its channel (181); the dynamics
    // thumb (180) in its channel (178). The widget takes the channel's size,
    // so a thumb wider across the travel than the channel would be cut off.
    EXPECT_LE(BitmapSize(183).width(), BitmapSize(181).width());
    EXPECT_LT(BitmapSize(183).height(), BitmapSize(181).height());
    EXPECT_LE(BitmapSize(180).height(), BitmapSize(178).height());
    EXPECT_LT(BitmapSize(180).width(), BitmapSize(178).width());
}

TEST(ResourceRegistryTest, RoundedImagesAreSeeThroughAtTheCornersAndSolidInTheMiddle)
{
    for (const int id : kRoundedIds) {
        for (const qreal ratio : {1.0, 2.0}) {
            SCOPED_TRACE((Named(id) + QStringLiteral(" at %1x").arg(ratio)).toStdString());
            const QImage image = Bitmap(id, ratio).convertToFormat(QImage::Format_ARGB32);
            ASSERT_FALSE(image.isNull());
            const int right = image.width() - 1;
            const int bottom = image.height() - 1;
            EXPECT_EQ(AlphaAt(image, 0, 0), 0);
            EXPECT_EQ(AlphaAt(image, right, 0), 0);
            EXPECT_EQ(AlphaAt(image, 0, bottom), 0);
            EXPECT_EQ(AlphaAt(image, right, bottom), 0);
            EXPECT_EQ(AlphaAt(image, image.width() / 2, image.height() / 2), 255);
        }
    }
}

TEST(ResourceRegistryTest, ChannelsAreSeeThroughBesideTheSlot)
{
    // The channels sit on the panel background: only the slot and the scale
    // marks cover it.
    for (const int id : {178, 179, 181, 182}) {
        SCOPED_TRACE(Named(id).toStdString());
        const QImage image = Bitmap(id).convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(AlphaAt(image, 0, 0), 0);
        EXPECT_EQ(AlphaAt(image, image.width() - 1, image.height() - 1), 0);
        EXPECT_GT(AlphaAt(image, image.width() / 2, image.height() / 2), 0);
    }
}

TEST(ResourceRegistryTest, PanelBackgroundsAreOpaqueEverywhere)
{
    for (const int id : {184, 185}) {
        for (const qreal ratio : {1.0, 2.0}) {
            SCOPED_TRACE((Named(id) + QStringLiteral(" at %1x").arg(ratio)).toStdString());
            const QImage image = Bitmap(id, ratio).convertToFormat(QImage::Format_ARGB32);
            ASSERT_FALSE(image.isNull());
            int seeThrough = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    seeThrough += AlphaAt(image, x, y) < 255 ? 1 : 0;
            EXPECT_EQ(seeThrough, 0);
        }
    }
}

}  // namespace

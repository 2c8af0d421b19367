// The program's images through the resource registry: every number the panels
// use has an image, images scale with the device pixel ratio, unknown numbers
// give nothing, and images a control swaps between line up.
#include "ui/res/ResourceRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace brevant::res {
namespace {

// The images the panels and the controls look up.
constexpr int kUsedIds[] = {
    kWindowEdge,           kWindowPattern,         kWindowLeftCorner, kWindowRightCorner,
    kWindowTitleStrip,     kWindowLeftCap,         kWindowRightCap,   kPaneIcons,
    kCrosspointOn,         kCrosspointOff,         kDynamicsChannel,  kDynamicsChannelLit,
    kDynamicsThumb,        kFaderChannel,          kFaderChannelLit,  kFaderCap,
    kInputPanelBackground, kOutputPanelBackground, kCheckOn,          kCheckOff};

TEST(ResourceRegistry, EveryUsedNumberHasAnImageAtEachRatioAndUnknownOnesNone)
{
    const std::vector<int> listed = BitmapIds();
    for (const int id : kUsedIds) {
        SCOPED_TRACE(id);
        EXPECT_NE(std::find(listed.begin(), listed.end(), id), listed.end()) << "not listed";
        const QSize logical = BitmapSize(id);
        ASSERT_FALSE(logical.isEmpty());
        for (const qreal ratio : {1.0, 2.0})
            EXPECT_EQ(Bitmap(id, ratio).deviceIndependentSize().toSize(), logical) << "at " << ratio;
        EXPECT_EQ(Bitmap(id, 2.0).size(), logical * 2);
    }
    for (const int unknown : {99999, 0, -1})
        EXPECT_TRUE(!HasBitmap(unknown) && Bitmap(unknown, 2.0).isNull() && BitmapSize(unknown).isEmpty())
            << unknown;
}

TEST(ResourceRegistry, ImagesAControlSwapsBetweenLineUpButDiffer)
{
    const std::pair<int, int> pairs[] = {{kFaderChannel, kFaderChannelLit},
                                         {kDynamicsChannel, kDynamicsChannelLit},
                                         {kCheckOn, kCheckOff},
                                         {kCrosspointOn, kCrosspointOff},
                                         {kInputPanelBackground, kOutputPanelBackground}};
    for (const auto& [first, second] : pairs) {
        SCOPED_TRACE(std::to_string(first) + " and " + std::to_string(second));
        EXPECT_EQ(BitmapSize(first), BitmapSize(second));
        EXPECT_NE(Bitmap(first), Bitmap(second));
    }
}

}  // namespace
}  // namespace brevant::res

// The three hardware variants the simulator can pretend to be. Only the
// variants with an echo canceller report echo-return readings.
#pragma once

#include <optional>
#include <string_view>

namespace brevant::sim {

enum class ProductModel { K225, K217, K218 };

inline std::optional<ProductModel> ParseProductModel(std::string_view name)
{
    if (name == "K225")
        return ProductModel::K225;
    if (name == "K217")
        return ProductModel::K217;
    if (name == "K218")
        return ProductModel::K218;
    return std::nullopt;
}

inline std::string_view ProductModelName(ProductModel model)
{
    switch (model) {
    case ProductModel::K225: return "K225";
    case ProductModel::K217: return "K217";
    case ProductModel::K218: return "K218";
    }
    return "K225";
}

inline bool HasEchoCanceller(ProductModel model)
{
    return model == ProductModel::K217 || model == ProductModel::K218;
}

// Whether the model has the setting or meter `code` on channel `n`: a K225
// has no echo Canceller (MC, ME, MS) and a delay on outputs 3 and 4 only; a
// K217 or K218 has its delay on output 4 only, and its low- and high-pass
// filters and echo meters on channels 2..4. Any other code: every channel.
// A query or set of what the model lacks goes unanswered.
inline bool HasSetting(ProductModel model, std::string_view code, int n)
{
    const bool echo = HasEchoCanceller(model);
    if (code == "MC")
        return echo;
    if (code == "ME" || code == "MS")
        return echo && n >= 2;
    if (code == "OD")
        return n >= (echo ? 4 : 3);
    if (code == "OF" || code == "OH")
        return !echo || n >= 2;
    return true;
}

}  // namespace brevant::sim

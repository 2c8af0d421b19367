// The three hardware variants the simulator can pretend to be. Only the
// variants with an echo canceller report echo-return readings.
#pragma once

#include <optional>
#include <string_view>

namespace brevant::sim {

enum class ProductModel { K225, K217, K218 };

inline std::optional<ProductModel> parseProductModel(std::string_view name) {
    if (name == "K225") return ProductModel::K225;
    if (name == "K217") return ProductModel::K217;
    if (name == "K218") return ProductModel::K218;
    return std::nullopt;
}

inline std::string_view productModelName(ProductModel model) {
    switch (model) {
    case ProductModel::K225: return "K225";
    case ProductModel::K217: return "K217";
    case ProductModel::K218: return "K218";
    }
    return "K225";
}

inline bool hasEchoCanceller(ProductModel model) {
    return model == ProductModel::K217 || model == ProductModel::K218;
}

}  // namespace brevant::sim

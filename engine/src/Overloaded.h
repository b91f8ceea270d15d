#pragma once

namespace GestureEngineKit::detail {

// Builds one visitor for std::visit out of several lambdas.
template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>; // clang 14 does not deduce aggregates by itself

} // namespace GestureEngineKit::detail

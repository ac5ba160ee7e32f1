#pragma once
// One visitor made of several lambdas, for std::visit over a variant: Overloaded{[](A) {}, [](B) {}}.

template <class... Visitors>
struct Overloaded : Visitors... {
    using Visitors::operator()...;
};
// Spelled out for clang before 17, which deduces no template arguments for aggregates by itself.
template <class... Visitors>
Overloaded(Visitors...) -> Overloaded<Visitors...>;

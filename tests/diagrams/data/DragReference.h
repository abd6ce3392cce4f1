#pragma once
// Written by bench/reference/make_drag_reference.py (NumPy): the
// closed-loop poles of the 2 x 2 drag design at two sets of variables,
// by decreasing imaginary part.

namespace dragref {

inline constexpr double kVariablesA[4] = {2.0, 1.0, 1.5, 2.0};  // k1 T1 k2 T2
inline constexpr double kVariablesB[4] = {3.0, 1.0, 1.8, 2.0};
inline constexpr double kPolesA[][2] = {
    {-1.273118309453094, 2.24481482033947},
    {-0.42805463470076266, 0},
    {-2.0257087463930024, 0},
    {-1.273118309453094, -2.24481482033947}};
inline constexpr double kPolesB[][2] = {
    {-1.2458624113768555, 2.4802985526214734},
    {-0.43971410958998902, 0},
    {-3.0685610676563666, 0},
    {-1.2458624113768555, -2.4802985526214734}};

}  // namespace dragref

#pragma once
// Written by bench/reference/make_equalizer_reference.py (NumPy): the
// Equalizer's cost terms of the 2 x 2 test design's run (m = 2, L = 290,
// Ts = 0.05 s), its integration error estimate and its cost under the
// weights 1 .. 8 by criterion.

// Generated reference data: laid out by this script, not by clang-format.
// clang-format off
namespace equalizer_reference {

inline constexpr double kTs = 0.05;
inline constexpr double kGain[2] = {2.0, 1.5};  // k1 k2
inline constexpr double kIntegral[2] = {1.0, 2.0};  // T1 T2
inline constexpr double kTerms[8] = {
    20.958033963333474,
    1235.8152567074806,
    0.41122044801046997,
    30.916304827529594,
    14.581747643257975,
    95.201389105769636,
    21.235923392319773,
    35.949543076140515};  // by criterion
inline constexpr double kIntegrationError = 0.049380175781250008;
inline constexpr double kWeights[8] = {1, 2, 3, 4, 5, 6, 7, 8};  // by criterion
inline constexpr double kCost = 4143.1412277704167;

}  // namespace equalizer_reference
// clang-format on

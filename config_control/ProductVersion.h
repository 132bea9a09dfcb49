#pragma once
// The product's version as every program of it shows it; the packages carry the same number
// (the project version), which the package test compares.

inline constexpr char kProductVersion[] = "Corvane Version 1.0";

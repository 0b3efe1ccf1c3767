#pragma once
// The seven reconstruction kernels and the table that names them. A kernel maps a
// signed distance in source pixels to an unnormalised weight.
#include <array>

namespace velora {

using TKernel = float (*)(float x);

float BoxKernel(float x);
float TriangleKernel(float x);
float HermiteKernel(float x);
float BellKernel(float x);
float BSplineKernel(float x);
float Lanczos3Kernel(float x);
float MitchellKernel(float x);
// sin(pi x) / (pi x), with the product rounded to 32 bits before the sine.
float SincValue(float x);

struct TFilterRow {
  const char* Name;
  TKernel Kernel;
  float Support;  // the half-width beyond which the kernel is 0, in source pixels
};

// The seven filters in their fixed order; the row index is what the filter list
// selects and the settings file stores.
inline constexpr std::array<TFilterRow, 7> FilterTable{{
    {"Box", &BoxKernel, 0.5f},
    {"Triangle", &TriangleKernel, 1.0f},
    {"Hermite", &HermiteKernel, 1.0f},
    {"Bell", &BellKernel, 1.5f},
    {"B-Spline", &BSplineKernel, 2.0f},
    {"Lanczos3", &Lanczos3Kernel, 3.0f},
    {"Mitchell", &MitchellKernel, 2.0f},
}};

}  // namespace velora

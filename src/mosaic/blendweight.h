#pragma once

#include <algorithm>

// How much a picture's sample counts at a map pixel, from the cosine of the angle at which the
// picture sees the surface there: a power of the cosine, so the picture that sees the point most
// squarely leads, times a smooth ramp over the last stretch before the limb, so that the weight
// and its slope both reach zero at the cap edge and coverage changes leave no seam.
namespace blendweight {

// The power of the cosine: high enough that the squarer view dominates (it is the sharper
// one), low enough that the overlaps still blend over a wide band.
inline constexpr float cosinePower = 4.0f;
// The cosine below which the ramp starts (about 78 degrees from the line of sight).
inline constexpr float featherCosine = 0.2f;
// The weight given where the cap covers a pixel but the formula gives (almost) nothing: the
// limb's own pixels still show the globe where no other picture does.
inline constexpr float floor = 1e-6f;

// A picture whose weight is below this share of the largest at a pixel is not sampled there;
// the threshold is subtracted from every weight, so the blend stays continuous.
inline constexpr float negligibleShare = 0.1f;

inline float ofViewCosine(float viewCosine)
{
    if (!(viewCosine > 0.0f))
        return 0.0f;
    const float c = std::min(viewCosine, 1.0f);
    const float ramp = std::min(c / featherCosine, 1.0f);
    const float smooth = ramp * ramp * (3.0f - 2.0f * ramp);
    const float squared = c * c;
    return squared * squared * smooth;
}

} // namespace blendweight

#pragma once

struct ConversionParameters;
struct DiskFinding;

// A found disk as the conversion takes a circle: whole pixels rounded to the nearest, and what
// the rounding left out as fractions, which only the precise mode reads.
struct FoundCircle
{
    int centerX = 0;
    int centerY = 0;
    int radius = 0;
    double centerXFraction = 0.0;
    double centerYFraction = 0.0;
    double radiusFraction = 0.0;
};

FoundCircle foundCircle(const DiskFinding &finding);
// Puts the found circle, whole pixels and fractions, into the parameters.
void applyFoundCircle(const FoundCircle &circle, ConversionParameters &params);

#pragma once

#include <QString>

#include <cstdint>
#include <functional>

// Writes an RGB PNG of 16 bits per channel row by row, so that making a huge file needs no
// picture in memory: fillRow(y, row) fills the width * 3 channel values of row y.
bool writeDeepPng(const QString &path, int width, int height,
                  const std::function<void(int y, std::uint16_t *row)> &fillRow);

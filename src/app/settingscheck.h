#pragma once

#include "app/settingsrecord.h"

#include <QString>

// Why a run without a window cannot convert with these settings, naming the key of the settings
// file and its limits; empty when it can. The option dialog's limits apply to the conversion
// values (the map's size may be any the engine makes), the circle must lie within
// limits::circleCentre and limits::radius, and a circle that was never set (radius 0) is accepted
// only when each picture's disk is to be found. Values given as options were checked with the same
// limits, so a refusal names a stored one.
QString storedSettingsProblem(const SettingsRecord &settings, const QString &settingsFile);

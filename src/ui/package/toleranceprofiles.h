#pragma once
// The user's tolerance profiles and each device model's default one, kept in the program's
// settings.

#include <QString>
#include <cstdint>
#include <vector>

#include "core/verdict/tolerance.h"

// The saved profiles; the built-in ones while the user has saved none. A saved profile that no
// longer reads is left out and logged.
std::vector<ToleranceProfile> loadToleranceProfiles();
// Replaces the saved profiles; throws when the settings cannot be written.
void saveToleranceProfiles(const std::vector<ToleranceProfile>& profiles);

// The name of the default profile of the device type `typeCode`; empty when none was chosen.
QString defaultProfileName(uint8_t typeCode);
void setDefaultProfileName(uint8_t typeCode, const QString& name);

// The profile `name` among the saved ones; throws MessageError naming it when there is none.
ToleranceProfile toleranceProfile(const QString& name);

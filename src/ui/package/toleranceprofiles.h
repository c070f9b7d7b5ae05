#pragma once
// The user's tolerance profiles, each device model's default one and the names the protocol is
// signed with, kept in the program's settings.

#include <QString>
#include <cstdint>
#include <vector>

#include "core/storage/report.h"
#include "core/verdict/tolerance.h"

// The saved profiles; the built-in ones while the user has saved none. A saved profile that no
// longer reads is left out and logged.
std::vector<ToleranceProfile> loadToleranceProfiles();
// Replaces the saved profiles; throws when the settings cannot be written.
void saveToleranceProfiles(const std::vector<ToleranceProfile>& profiles);

// The name of the default profile of the device type `typeCode`; empty when none was chosen.
QString defaultProfileName(uint8_t typeCode);
void setDefaultProfileName(uint8_t typeCode, const QString& name);

// Who signs the protocols and the bench and reference they name, as last entered.
ProtocolSigning loadProtocolSigning();
void saveProtocolSigning(const ProtocolSigning& signing);

// The profile `name` among the saved ones; throws MessageError naming it when there is none.
ToleranceProfile toleranceProfile(const QString& name);

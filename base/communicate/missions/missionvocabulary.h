#pragma once

#include <QString>

// The words every mission is built from, in one place, so that the core, the
// pages and the tools cannot drift apart. Attribute values are QVariant(int).
// The types of missions are enMissionType (qmission.h); "Mission.Type" holds
// one of them as the caller's own tag (it reads as the constructor's type
// until set).
namespace MissionKey {

// Station address of the drive, 1..247.
inline QString station() { return QStringLiteral("Machine.Address"); }
// First register.
inline QString address() { return QStringLiteral("Data.Address"); }
// Number of registers.
inline QString length() { return QStringLiteral("Data.Length"); }
// The word(s) to write: an int (one word, or a two-word value with length 2)
// or a list of words.
inline QString write_data() { return QStringLiteral("Mission.Write.Data"); }
// Priority: higher first, equal levels in order of arrival.
inline QString level() { return QStringLiteral("Mission.Level"); }
// The caller's type tag (an enMissionType).
inline QString type() { return QStringLiteral("Mission.Type"); }
// The caller's run number: a caller that follows its own missions among all
// the manager reports (an int, never read by the link).
inline QString run() { return QStringLiteral("Mission.Run"); }
// The drive's own timing, from its description's profile, overriding the
// link settings for this request: the quiet time in milliseconds the drive
// needs before it, the answer time-out in milliseconds and the retries.
// Absent: the settings' own.
inline QString pause() { return QStringLiteral("Mission.Pause"); }
inline QString timeout() { return QStringLiteral("Mission.Timeout"); }
inline QString retries() { return QStringLiteral("Mission.Retries"); }

} // namespace MissionKey

// Who goes first: every operator action overtakes polling, a refresh gives way
// to what the operator asked for, and the reads that build the model at
// connection time go before anything else.
namespace MissionLevel {

inline constexpr int ConnectReads = 9;
// The pages' own work: writes, read-backs, uploads, downloads.
inline constexpr int PageWork = 7;
inline constexpr int Refresh = 5;
inline constexpr int Monitoring = 3;

} // namespace MissionLevel

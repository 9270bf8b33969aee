#pragma once

// What the tool's exit code says; the help text and the README list them.
namespace VantorelExit {

inline constexpr int Done = 0;
inline constexpr int Usage = 1;       // bad options, unknown codes, values that fail the checks
inline constexpr int NoLink = 2;      // the port cannot be opened, or the drive does not answer
inline constexpr int Refused = 3;     // the drive refused a request (a Modbus exception)
inline constexpr int Differences = 4; // what was read back is not what was written
inline constexpr int FileError = 5;   // a file could not be read or written, or is unusable

} // namespace VantorelExit

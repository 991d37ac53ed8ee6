#pragma once
// How the sound server knows this program's playback: the player's stream
// carries the application id, and the server's stream-restore database keeps
// the volume of such streams under the key made from it, which is the wave
// volume the mixer reads at start-up and writes while no stream exists.

namespace sound_identity {

inline constexpr const char* ApplicationId = "tunevault";
inline constexpr const char* ApplicationName = "Tunevault";
// The server's key for streams that carry the application id (and no role).
inline constexpr const char* StreamRestoreKey = "sink-input-by-application-id:tunevault";

} // namespace sound_identity

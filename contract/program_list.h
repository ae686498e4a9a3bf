// The plug-in's programs as the editor program lists them: how many there
// are, and the longest name a host's buffer takes (24 characters and the
// terminating zero).
#pragma once

namespace program_list {

inline constexpr int kPrograms = 128;
inline constexpr int kMaxNameLength = 24;

}  // namespace program_list

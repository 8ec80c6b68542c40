#pragma once

namespace varnok {

// The answers to the question whether a sound entry is extracted as a WAVE file.
// The "to all" answers hold for every later entry of the same command.
enum class ConvertAnswer { Yes, No, YesToAll, NoToAll };

}  // namespace varnok

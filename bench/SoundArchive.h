#pragma once

#include <string>

#include "bench/Operations.h"

namespace varnok::bench {

// The BAG sound archive of the benchmark: 5000 entries, 70% IMA ADPCM of 10 to 60
// blocks of 512 bytes, 30% 16-bit PCM of 10 to 60 KB; and a folder of 500 mono
// 16-bit WAVE files of 0.5 to 2 seconds to add.
void WriteSoundData(const Layout& layout);

// The measurements on them: extraction raw ("bag-raw") and as WAVE files
// ("bag-wave") against a bare copy of every entry into a file of its own
// ("bag-copy"); adding the WAVE files as they are ("bag-add") and as IMA ADPCM
// ("bag-add-adpcm") against appending them to one file ("bag-append"). False when
// `name` is none of them.
bool RunSoundOperation(const std::string& name, const Layout& layout, double& seconds, std::string& note);

}  // namespace varnok::bench

#pragma once
// A write past the file-size limit (RLIMIT_FSIZE) ends the process with SIGXFSZ unless the signal is
// ignored. Ignored, the write fails with EFBIG like any other failed write, which every writer here
// reports and survives: the old file stays and the temporary one is removed. Children of ours start
// with every signal at its default again (SpawnSetup.h).

namespace Platform {

// Called first thing by both programs.
void ignoreFileSizeLimitSignal();

}  // namespace Platform

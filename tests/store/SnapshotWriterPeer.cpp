// Writes the 1-project and the 400-project sample snapshot in turn, <count> times, into <folder>.
//   snapshot_writer_peer <folder> <count>

#include <cstdlib>

#include "Shared/Store/DataStore.h"
#include "store/SnapshotSamples.h"

int main(int argc, char** argv) {
    if (argc != 3 || std::atoi(argv[2]) <= 0) return 2;
    for (int i = 0; i < std::atoi(argv[2]); ++i) DataStore::write(sampleSnapshot(i % 2 ? 400 : 1), argv[1]);
    return 0;
}
